#include "ui/orderdialog.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <vector>

#include "logic/texts/textes.h"
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
  list_->setHeaderLabels({FromAnsi(Text("EcrOrdre", "ColNumero")), FromAnsi(Text("EcrOrdre", "ColScene")),
                          FromAnsi(Text("EcrOrdre", "ColType")), FromAnsi(Text("EcrOrdre", "ColAeroports"))});
  int n = 0;
  for (const OrderLine& l : lines) {
    auto* item = new QTreeWidgetItem(list_);
    item->setText(0, QString::number(++n));
    item->setText(1, FromAnsi(l.name));
    item->setToolTip(1, FromAnsi(l.name));
    QString kind = FromAnsi(l.kind);
    if (l.handSet) kind += FromAnsi(Text("EcrOrdre", "AlaMain"));
    if (l.disabled) kind += FromAnsi(Text("EcrOrdre", "Desactivee"));
    if (!l.reason.empty()) kind += QStringLiteral(" : ") + FromAnsi(l.reason);
    item->setText(2, kind);
    if (!l.reason.empty()) item->setToolTip(2, kind);
    item->setIcon(2, Swatch(KindColour(l.group)));
    item->setText(3, FromAnsi(l.airports));
    item->setToolTip(3, FromAnsi(l.airports));
    item->setData(0, Qt::UserRole, l.group);
    if (l.disabled)
      for (int c = 0; c < 4; ++c) item->setForeground(c, palette().color(QPalette::Disabled, QPalette::Text));
  }
  // Every column as wide as its contents, the dialog as wide as they are up
  // to the screen's width; past it the names and the airports give way
  // (shortened in the middle, whole in their tooltips), never the kinds.
  list_->setTextElideMode(Qt::ElideMiddle);
  list_->header()->setStretchLastSection(false);
  layout->addWidget(list_, 1);

  warnings_ = new QListWidget(this);
  warnings_->setObjectName(QStringLiteral("Avertissements"));
  // Long warnings wrap at the list's width.
  warnings_->setWordWrap(true);
  warnings_->setTextElideMode(Qt::ElideNone);
  warnings_->setResizeMode(QListView::Adjust);
  warnings_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  const QIcon warn = style()->standardIcon(QStyle::SP_MessageBoxWarning);
  for (const std::string& w : warnings) new QListWidgetItem(warn, FromAnsi(w), warnings_);
  warnings_->setVisible(!warnings.empty());
  warnings_->setMaximumHeight(160);
  layout->addWidget(warnings_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);

  int columns = 0;
  for (int c = 0; c < list_->columnCount(); ++c) {
    list_->resizeColumnToContents(c);
    natural_.push_back(list_->columnWidth(c));
    columns += natural_.back();
  }
  const QMargins m = layout->contentsMargins();
  const int frame = 2 * list_->frameWidth() + list_->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 8;
  const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
  const int most = screen ? screen->availableGeometry().width() * 9 / 10 : 1600;
  const int width = std::clamp(columns + frame + m.left() + m.right(), 640, std::max(640, most));
  resize(width, 480);
}

void TEcrOrdre::fitColumns() {
  int excess = -list_->viewport()->width();
  for (size_t c = 0; c < natural_.size(); ++c) {
    list_->setColumnWidth(static_cast<int>(c), natural_[c]);
    excess += natural_[c];
  }
  // The airports first, down to a quarter of the room, then the names.
  for (int c : {3, 1}) {
    if (excess <= 0) break;
    const int floor = c == 3 ? std::min(natural_[3], list_->viewport()->width() / 4) : 60;
    const int cut = std::min(excess, std::max(0, natural_[static_cast<size_t>(c)] - floor));
    list_->setColumnWidth(c, natural_[static_cast<size_t>(c)] - cut);
    excess -= cut;
  }
}

void TEcrOrdre::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  fitColumns();
}

void TEcrOrdre::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  if (isVisible()) fitColumns();
}

}  // namespace orvella::ui
