#include "ui/checkdialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include <map>
#include <vector>

#include "platform/winapi.h"
#include "qtansi/ansiqt.h"
#include "ui/checkmarks.h"
#include "ui/checkrunner.h"
#include "ui/checktexts.h"
#include "ui/tilemapview.h"

namespace orvella::ui {

namespace {

constexpr int kColText = 0;
constexpr int kColReason = 1;
constexpr int kColAction = 2;
constexpr int kActionRole = Qt::UserRole + 1;
constexpr int kFolderRole = Qt::UserRole + 2;
constexpr int kLibraryRole = Qt::UserRole + 3;
// A line of the report opens its children when they are at most this many.
constexpr int kOpenedLines = 50;

// Items in the order their keys first come.
template <typename Value>
struct Ordered {
  std::vector<std::string> keys;
  std::map<std::string, Value> values;
  Value& operator[](const std::string& key) {
    auto [it, added] = values.try_emplace(key);
    if (added) keys.push_back(key);
    return it->second;
  }
};

}  // namespace

CheckDialog::CheckDialog(QWidget* parent) : QDialog(parent), runner_(new CheckRunner(this)) {
  setObjectName(QStringLiteral("EcrVerif"));
  setWindowTitle(CheckText("Titre"));
  setModal(false);
  openFolder = [](const std::string& folder) {
    const QString host = QString::fromStdU16String(platform::ToHostPath(folder));
    QDesktopServices::openUrl(QUrl::fromLocalFile(host));
  };

  auto* layout = new QVBoxLayout(this);
  auto* top = new QHBoxLayout;
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("lbEtat"));
  status_->setWordWrap(true);
  progress_ = new QProgressBar(this);
  progress_->setObjectName(QStringLiteral("Progression"));
  cancel_ = new QPushButton(CheckText("Annuler"), this);
  cancel_->setObjectName(QStringLiteral("btnAnnuler"));
  top->addWidget(status_, 1);
  top->addWidget(progress_, 1);
  top->addWidget(cancel_);
  layout->addLayout(top);

  tabs_ = new QTabWidget(this);
  tree_ = new QTreeWidget(tabs_);
  tree_->setObjectName(QStringLiteral("Rapport"));
  tree_->setHeaderLabels({CheckText("ColProbleme"), CheckText("ColRaison"), CheckText("ColAction")});
  tree_->header()->setStretchLastSection(false);
  tree_->header()->setSectionResizeMode(kColText, QHeaderView::Interactive);
  tree_->header()->setSectionResizeMode(kColReason, QHeaderView::Stretch);
  tree_->header()->setSectionResizeMode(kColAction, QHeaderView::ResizeToContents);
  tree_->setColumnWidth(kColText, 400);
  tabs_->addTab(tree_, CheckText("OngletRapport"));
  log_ = new QTreeWidget(tabs_);
  log_->setObjectName(QStringLiteral("Journal"));
  log_->setHeaderLabels({CheckText("ColProbleme"), CheckText("ColGenre")});
  log_->setColumnWidth(0, 560);
  tabs_->addTab(log_, CheckText("OngletJournal"));
  map_ = new TileMapView(tabs_);
  tabs_->addTab(map_, CheckText("OngletCarte"));
  layout->addWidget(tabs_, 1);

  auto* buttons = new QDialogButtonBox(this);
  copy_ = buttons->addButton(CheckText("Copier"), QDialogButtonBox::ActionRole);
  copy_->setObjectName(QStringLiteral("btnCopier"));
  recheck_ = buttons->addButton(CheckText("Relancer"), QDialogButtonBox::ActionRole);
  recheck_->setObjectName(QStringLiteral("btnRelancer"));
  QPushButton* close = buttons->addButton(CheckText("Fermer"), QDialogButtonBox::RejectRole);
  close->setObjectName(QStringLiteral("btnFermer"));
  layout->addWidget(buttons);

  connect(cancel_, &QPushButton::clicked, runner_, &CheckRunner::cancel);
  connect(copy_, &QPushButton::clicked, this, [this] {
    if (!report_) return;
    QApplication::clipboard()->setText(FromAnsi(check::ReportText(*report_)));
    status_->setText(CheckText("Copie"));
  });
  connect(recheck_, &QPushButton::clicked, this, &CheckDialog::recheckRequested);
  // F7 checks again from here too, as it does in the main window.
  auto* again = new QShortcut(QKeySequence(Qt::Key_F7), this);
  connect(again, &QShortcut::activated, this, [this] {
    if (recheck_->isEnabled()) emit recheckRequested();
  });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(runner_, &CheckRunner::progress, this, [this](int done, int total) {
    progress_->setRange(0, total);
    progress_->setValue(done);
    status_->setText(CheckText("EnCours").arg(done).arg(total));
  });
  connect(runner_, &CheckRunner::finished, this, [this](std::shared_ptr<const check::Report> report) {
    running(false);
    showReport(std::move(report));
  });
  connect(runner_, &CheckRunner::failed, this, [this](const QString& message) {
    running(false);
    status_->setText(CheckText("Echec").arg(message));
  });
  connect(map_, &TileMapView::packClicked, this, &CheckDialog::packChosen);
  connect(tree_, &QTreeWidget::itemClicked, this, &CheckDialog::act);
  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    auto it = pending_.find(item);
    if (it == pending_.end()) return;
    const std::function<void()> fill = std::move(it->second);
    pending_.erase(it);
    delete item->takeChild(0);  // the placeholder
    fill();
  });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
    const QString pack = item->data(kColText, Qt::UserRole).toString();
    if (!pack.isEmpty()) emit packChosen(pack, FromAnsi(folderOf(ToAnsi(pack))));
  });
  running(false);
  resize(860, 560);
}

CheckDialog::~CheckDialog() = default;

void CheckDialog::running(bool on) {
  progress_->setVisible(on);
  cancel_->setVisible(on);
  cancel_->setEnabled(on);
  copy_->setEnabled(!on && report_);
  recheck_->setEnabled(!on);
}

void CheckDialog::start(const std::string& folder, check::Options options) {
  setWindowTitle(CheckText("TitreDe").arg(FromAnsi(folder)));
  status_->setText(CheckText("Debut"));
  progress_->setRange(0, 0);
  running(true);
  runner_->start(folder, std::move(options));
}

void CheckDialog::showReport(std::shared_ptr<const check::Report> report) {
  report_ = std::move(report);
  fillReport();
  fillLog();
  map_->setReport(report_);
  running(false);
  if (report_) {
    const check::Report& r = *report_;
    const auto problems = r.missing.size() + r.brokenExports.size() + r.duplicateAirports.size() +
                          r.tileConflicts.size() + r.damaged.size();
    status_->setText(
        r.cancelled
            ? EngineText("Interrompu")
            : CheckText("Resume").arg(static_cast<qulonglong>(r.packs.size())).arg(static_cast<qulonglong>(problems)));
    emit reportReady(report_);
  }
}

std::string CheckDialog::folderOf(const std::string& pack) const {
  const auto it = folders_.find(pack);
  return it == folders_.end() ? std::string() : it->second;
}

QTreeWidgetItem* CheckDialog::section(const QString& text) {
  // Built away from the view, which takes each section whole.
  auto* item = new QTreeWidgetItem(QStringList{text});
  sections_.push_back(item);
  QFont f = item->font(kColText);
  f.setBold(true);
  item->setFont(kColText, f);
  item->setIcon(kColText, style()->standardIcon(QStyle::SP_MessageBoxWarning));
  return item;
}

void CheckDialog::addAction(QTreeWidgetItem* item, const QString& text, Action action, const std::string& folder) {
  // A link in the action column: one click, and no widget per line however
  // long the report.
  item->setText(kColAction, text);
  item->setData(kColAction, kActionRole, static_cast<int>(action));
  item->setData(kColAction, kFolderRole, FromAnsi(folder));
  item->setForeground(kColAction, palette().color(QPalette::Link));
  QFont f = item->font(kColAction);
  f.setUnderline(true);
  item->setFont(kColAction, f);
}

void CheckDialog::act(QTreeWidgetItem* item, int column) {
  if (!item || column != kColAction) return;
  const QString folder = item->data(kColAction, kFolderRole).toString();
  switch (static_cast<Action>(item->data(kColAction, kActionRole).toInt())) {
    case Action::Activate:
      emit activateRequested(folder);
      break;
    case Action::Enable:
      emit enableRequested(folder);
      break;
    case Action::Open:
      if (openFolder) openFolder(ToAnsi(folder));
      break;
    case Action::None:
      break;
  }
}

QTreeWidgetItem* CheckDialog::packItem(QTreeWidgetItem* parent, const std::string& pack) {
  auto* item = new QTreeWidgetItem(parent, {FromAnsi(pack)});
  item->setData(kColText, Qt::UserRole, FromAnsi(pack));
  const std::string folder = folderOf(pack);
  if (!folder.empty()) {
    item->setToolTip(kColText, FromAnsi(folder));
    addAction(item, CheckText("OuvrirDossier"), Action::Open, folder);
  }
  return item;
}

void CheckDialog::fillReport() {
  pending_.clear();
  tree_->clear();
  sections_.clear();
  folders_.clear();
  if (!report_) return;
  for (const check::LoadedPack& p : report_->packs)
    if (!p.name.empty()) folders_.emplace(p.name, p.folder);
  const check::Report& r = *report_;
  // A repair offered for a reason, or nothing.
  auto repair = [this](QTreeWidgetItem* item, check::Reason reason, const std::string& provider) {
    if (provider.empty()) return;
    if (reason == check::Reason::Inactive)
      addAction(item, CheckText("Activer"), Action::Activate, provider);
    else if (reason == check::Reason::Disabled && canEnable_)
      addAction(item, CheckText("Reactiver"), Action::Enable, provider);
  };

  if (!r.missing.empty()) {
    QTreeWidgetItem* top = section(EngineText("Manquants"));
    Ordered<Ordered<std::vector<const check::Missing*>>> byLibrary;
    for (const check::Missing& m : r.missing)
      for (const std::string& pack : m.packs) byLibrary[m.library][pack].push_back(&m);
    for (const std::string& library : byLibrary.keys) {
      auto& byPack = byLibrary.values[library];
      size_t count = 0;
      for (const check::Missing& m : r.missing) count += m.library == library;
      auto* lib = new QTreeWidgetItem(top, {EngineText("Bibliotheque", {library, std::to_string(count)})});
      lib->setData(kColText, kLibraryRole, FromAnsi(library));
      // One reason and one provider for the whole library: said once, with
      // its repair, on the library's line.
      const check::Missing* first = byPack.values[byPack.keys.front()].front();
      bool same = true;
      for (const std::string& pack : byPack.keys)
        for (const check::Missing* m : byPack.values[pack])
          same = same && m->reason == first->reason && m->provider == first->provider;
      if (same) {
        lib->setText(kColReason, ReasonText(first->reason, first->provider));
        lib->setToolTip(kColReason, lib->text(kColReason));
        repair(lib, first->reason, first->provider);
      }
      auto packs = std::make_shared<Ordered<std::vector<const check::Missing*>>>(std::move(byPack));
      auto fill = [this, lib, packs, same, repair] {
        for (const std::string& pack : packs->keys) {
          QTreeWidgetItem* p = packItem(lib, pack);
          for (const check::Missing* m : packs->values[pack]) {
            // The reason once on the library's line when it is the same for all.
            auto* line =
                new QTreeWidgetItem(p, {FromAnsi(m->path), same ? QString() : ReasonText(m->reason, m->provider)});
            if (!m->sample.empty()) line->setToolTip(kColText, FromAnsi(m->sample));
            if (!same) line->setToolTip(kColReason, line->text(kColReason));
            if (!same) repair(line, m->reason, m->provider);
          }
        }
      };
      // A library that many packs need shows them once it is opened: the
      // report of a large installation shows at once.
      if (static_cast<int>(packs->keys.size()) <= kOpenedLines) {
        fill();
      } else {
        new QTreeWidgetItem(lib, {QStringLiteral("…")});
        pending_[lib] = std::move(fill);
      }
    }
  }
  if (!r.brokenExports.empty()) {
    QTreeWidgetItem* top = section(EngineText("ExportsCasses"));
    Ordered<std::vector<const check::BrokenExport*>> byPack;
    for (const check::BrokenExport& b : r.brokenExports) byPack[b.pack].push_back(&b);
    for (const std::string& pack : byPack.keys) {
      QTreeWidgetItem* p = packItem(top, pack);
      for (const check::BrokenExport* b : byPack.values[pack])
        new QTreeWidgetItem(p, {CheckText("ExportSans").arg(FromAnsi(b->path), FromAnsi(b->file))});
    }
  }
  if (!r.duplicateAirports.empty()) {
    QTreeWidgetItem* top = section(EngineText("AeroportsDoubles"));
    for (const check::DuplicateAirport& d : r.duplicateAirports) {
      QStringList others;
      for (size_t i = 1; i < d.packs.size(); ++i) others << FromAnsi(d.packs[i]);
      new QTreeWidgetItem(
          top, {CheckText("Doublon").arg(FromAnsi(d.icao), d.packs.empty() ? QString() : FromAnsi(d.packs.front()),
                                         others.join(QStringLiteral(", ")))});
    }
  }
  if (!r.tileConflicts.empty()) {
    QTreeWidgetItem* top = section(EngineText("TuilesCachees"));
    for (const check::TileConflict& c : r.tileConflicts) {
      QStringList others;
      for (size_t i = 1; i < c.packs.size(); ++i) others << FromAnsi(c.packs[i]);
      new QTreeWidgetItem(top, {CheckText("Conflit").arg(FromAnsi(check::TileName(c.tile)),
                                                         c.packs.empty() ? QString() : FromAnsi(c.packs.front()),
                                                         others.join(QStringLiteral(", ")))});
    }
  }
  if (!r.damaged.empty()) {
    QTreeWidgetItem* top = section(EngineText("Endommages"));
    Ordered<std::vector<const check::DamagedFile*>> byPack;
    for (const check::DamagedFile& d : r.damaged) byPack[d.pack].push_back(&d);
    for (const std::string& pack : byPack.keys) {
      QTreeWidgetItem* p = packItem(top, pack);
      for (const check::DamagedFile* d : byPack.values[pack])
        new QTreeWidgetItem(p, {CheckText("Abime").arg(FromAnsi(d->file), FromAnsi(d->what))});
    }
  }
  tree_->addTopLevelItems(sections_);
  // Open down to the packs, and a pack's own lines when they are few.
  for (QTreeWidgetItem* top : sections_) {
    top->setFirstColumnSpanned(true);
    top->setExpanded(true);
    for (int i = 0; i < top->childCount(); ++i) {
      QTreeWidgetItem* child = top->child(i);
      child->setExpanded(!pending_.contains(child) && child->childCount() <= kOpenedLines);
      for (int j = 0; j < child->childCount(); ++j)
        child->child(j)->setExpanded(child->child(j)->childCount() <= kOpenedLines);
    }
  }
  sections_.clear();
  if (tree_->topLevelItemCount() == 0 && !r.cancelled) {
    auto* ok = new QTreeWidgetItem(tree_, {EngineText("RienTrouve")});
    ok->setIcon(kColText, style()->standardIcon(QStyle::SP_DialogApplyButton));
  }
}

void CheckDialog::fillLog() {
  log_->clear();
  if (!report_) return;
  const check::LogReport& l = report_->log;
  if (!l.read) {
    new QTreeWidgetItem(log_, {CheckText("JournalNonLu")});
    return;
  }
  auto* head = new QTreeWidgetItem(log_, {CheckText("JournalVersion").arg(FromAnsi(l.version))});
  if (l.findings.empty()) new QTreeWidgetItem(head, {CheckText("JournalRien")});
  Ordered<std::vector<const check::LogFinding*>> byPack;
  for (const check::LogFinding& f : l.findings) byPack[f.pack].push_back(&f);
  for (const std::string& pack : byPack.keys) {
    auto* p = new QTreeWidgetItem(log_, {pack.empty() ? CheckText("JournalSansScene") : FromAnsi(pack)});
    if (!pack.empty()) p->setData(0, Qt::UserRole, FromAnsi(pack));
    for (const check::LogFinding* f : byPack.values[pack]) {
      const QString kind = CheckText("Genre_" + f->kind);
      auto* item = new QTreeWidgetItem(
          p, {FromAnsi(f->what), kind.startsWith(QStringLiteral("Genre_")) ? FromAnsi(f->kind) : kind});
      item->setToolTip(0, FromAnsi(f->line));
    }
  }
  if (!l.loadOrder.empty()) {
    auto* order = new QTreeWidgetItem(log_, {EngineText("OrdreDifferent")});
    for (const std::string& pack : l.loadOrder) new QTreeWidgetItem(order, {FromAnsi(pack)});
  }
  log_->expandAll();
}

}  // namespace orvella::ui
