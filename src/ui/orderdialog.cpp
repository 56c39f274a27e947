#include "ui/orderdialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qtansi/ansiqt.h"

namespace orvella::ui {

namespace {
QIcon Swatch(const QColor& c) {
  QPixmap p(12, 12);
  p.fill(Qt::transparent);
  QPainter painter(&p);
  painter.setPen(c.darker(150));
  painter.setBrush(c);
  painter.drawRect(0, 0, 11, 11);
  return QIcon(p);
}
}  // namespace

QColor TEcrOrdre::KindColour(int group) {
  static const QColor colours[] = {
      QColor(0x2E, 0x6F, 0xD8),  // airports
      QColor(0x8F, 0xB5, 0xF0),  // the simulator's airports
      QColor(0x8E, 0x44, 0xAD),  // libraries
      QColor(0x27, 0xAE, 0x60),  // overlays
      QColor(0xE6, 0x7E, 0x22),  // orthophotos
      QColor(0x8D, 0x6E, 0x63),  // meshes
      QColor(0x9E, 0x9E, 0x9E),  // unknown
  };
  return colours[group >= 0 && group < 7 ? group : 6];
}

TEcrOrdre::TEcrOrdre(const std::string& title, const std::vector<OrderLine>& lines,
                     const std::vector<std::string>& warnings, QWidget* parent)
    : QDialog(parent) {
  setObjectName(QStringLiteral("EcrOrdre"));
  setWindowTitle(FromAnsi(title));
  auto* layout = new QVBoxLayout(this);

  list_ = new QTreeWidget(this);
  list_->setObjectName(QStringLiteral("Liste"));
  list_->setRootIsDecorated(false);
  list_->setAlternatingRowColors(true);
  list_->setHeaderLabels(
      {QStringLiteral("N°"), QStringLiteral("Scène"), QStringLiteral("Type"), QStringLiteral("Aéroports")});
  int n = 0;
  for (const OrderLine& l : lines) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::number(++n));
    item->setText(1, FromAnsi(l.name));
    QString kind = FromAnsi(l.kind);
    if (l.handSet) kind += QStringLiteral(" (à la main)");
    if (l.disabled) kind += QStringLiteral(", désactivée");
    item->setText(2, kind);
    item->setIcon(2, Swatch(KindColour(l.group)));
    item->setText(3, FromAnsi(l.airports));
    item->setData(0, Qt::UserRole, l.group);
    if (l.disabled)
      for (int c = 0; c < 4; ++c) item->setForeground(c, palette().color(QPalette::Disabled, QPalette::Text));
  }
  list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  layout->addWidget(list_, 1);

  warnings_ = new QListWidget(this);
  warnings_->setObjectName(QStringLiteral("Avertissements"));
  const QIcon warn = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (const std::string& w : warnings) new QListWidgetItem(warn, FromAnsi(w), warnings_);
  warnings_->setVisible(!warnings.empty());
  warnings_->setMaximumHeight(120);
  layout->addWidget(warnings_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
  resize(640, 480);
}

}  // namespace orvella::ui
