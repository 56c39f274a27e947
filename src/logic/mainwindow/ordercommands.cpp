// The scenery order of the main window: the option that writes
// scenery_packs.ini in order at launch, its preview, the kinds set by hand
// from the popup menu, the tooltips, and the order's own settings file.
#include <string>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/linknames.h"
#include "logic/order/files.h"
#include "logic/order/orderline.h"
#include "logic/texts/textes.h"

namespace orvella {

namespace {

// The node lies below the tree's unmanaged node.
bool Unmanaged(const Node* node) {
  const Node* u = node->tree() ? node->tree()->unmanaged() : nullptr;
  return u && node != u && node->isSelfOrDescendantOf(u);
}

std::string Joined(const std::vector<std::string>& codes) {
  std::string out;
  for (const std::string& c : codes) out += (out.empty() ? "" : ", ") + c;
  return out;
}

}  // namespace

void EcrOrvellaLogic::cbEffaceIniClick() {
  if (deletesSceneryPacks()) ctl_.cbOrdonneIni.checked = false;
}

void EcrOrvellaLogic::cbOrdonneIniClick() {
  if (ordersSceneryPacks()) ctl_.cbEffaceIni.checked = false;
  orderSettings_.orderIni = ordersSceneryPacks();
}

std::optional<OrderPlan> EcrOrvellaLogic::planSceneryOrder() {
  if (selected_ < 0 || selected_ >= static_cast<int>(installations_.size())) throw EListError(-1);
  OrderInput in;
  in.installation = installations_[static_cast<size_t>(selected_)];
  // The user's arrangement: the scenes of the Custom Scenery tree, depth first.
  custScn_.forEach([&](Node* n) {
    if (n->isScene() && !Unmanaged(n)) in.scenes.push_back({LinkName(n->text()), n->text()});
  });
  in.handKinds = orderSettings_.foldedKinds();
  OrderSources sources = GatherOrder(in);
  // The packs are looked at off the window's thread; the memory is given
  // only copies until the work is over.
  std::vector<PackCheck> checks = packMemory_.checks(sources.folders());
  // The window shows where it stands before the packs are read.
  showNow();
  LongTask task;
  task.total = static_cast<int>(checks.size());
  const bool done = UI().RunLong(Text("EcrOrdre", "Lecture"), task,
                                 [&checks, &task] { RunPackChecks(checks, &task.cancelled, &task.done); });
  if (!done) return std::nullopt;
  packMemory_.learn(std::move(checks));
  return PlanGathered(in, std::move(sources), packMemory_);
}

OrderWrite EcrOrvellaLogic::writeSceneryOrder() {
  const std::string path = SceneryPacksPath(installations_.at(static_cast<size_t>(selected_)));
  try {
    const std::optional<OrderPlan> plan = planSceneryOrder();
    if (!plan) return OrderWrite::Cancelled;
    writeSceneryPacksFile(path, RenderSceneryPacks(*plan));
  } catch (const EOrderWrite& e) {
    UI().ShowMessage(e.what());
    return OrderWrite::Failed;
  }
  // What was learnt about the packs is kept at once; losing it only costs a
  // slower next launch.
  if (!settingsPath_.empty()) {
    try {
      packMemory_.saveFile(PackMemoryPath(settingsPath_));
    } catch (const EOrderWrite&) {
    }
  }
  return OrderWrite::Written;
}

void EcrOrvellaLogic::writeSceneryPacksFile(const std::string& path, const std::string& text) {
  const std::string key = FoldAsciiCase(path);
  auto own = orderSettings_.written.find(key);
  orderSettings_.written[key] = WriteSceneryPacks(path, text, own == orderSettings_.written.end() ? 0 : own->second);
  // The digest is kept at once: without it the next write would take this
  // file for the user's and put it in place of the user's own backup.
  if (!settingsPath_.empty()) {
    try {
      orderSettings_.orderIni = ordersSceneryPacks();
      ReplaceFile(OrderSettingsPath(settingsPath_), orderSettings_.save());
    } catch (const EOrderWrite&) {
    }
  }
}

void EcrOrvellaLogic::PM_ApercuOrdreClick() {
  const std::optional<OrderPlan> plan = planSceneryOrder();
  if (!plan) return;
  std::vector<OrderLine> lines;
  lines.reserve(plan->entries.size());
  for (const OrderEntry& e : plan->entries)
    lines.push_back(
        {e.name, PackKindLabel(e.kind), Joined(e.airports), e.disabled, e.handSet, static_cast<int>(e.kind), e.reason});
  UI().ShowOrder(Text("EcrOrdre", "Titre"), lines, plan->warnings);
}

void EcrOrvellaLogic::PM_TypeClick(const std::string& item) {
  Node* s = custScn_.selected();
  const std::string folder = s ? packFolderOf(s) : std::string();
  if (folder.empty()) return;
  for (const auto& [name, kind] : kTypeItems)
    if (item == name) orderSettings_.setKind(folder, kind);
}

std::string EcrOrvellaLogic::packFolderOf(const Node* node) const {
  if (!node || !node->tree()) return {};
  if (Unmanaged(node)) return node->tree()->sceneryFolder + node->text();
  return node->isScene() ? node->text() : std::string();
}

std::string EcrOrvellaLogic::nodeHint(const Node* node) {
  const std::string folder = packFolderOf(node);
  if (folder.empty() || !DirectoryExists(folder)) return {};
  const PackFacts& facts = packMemory_.facts(folder);
  const std::optional<PackKind> hand = orderSettings_.kindOf(folder);
  std::string hint = Text("EcrOrvella", "IndiceType", {PackKindLabel(hand ? *hand : facts.kind)});
  if (!facts.airports.empty() && (!hand || *hand == PackKind::Airport)) hint += " (" + Joined(facts.airports) + ")";
  if (!hand && !facts.reason.empty()) hint += " (" + facts.reason + ")";
  if (hand) hint += Text("EcrOrvella", "ChoisiMain");
  return hint;
}

void EcrOrvellaLogic::readOrderSettings() {
  if (settingsPath_.empty()) return;
  const std::string path = OrderSettingsPath(settingsPath_);
  if (FileExists(path))
    if (std::optional<std::string> text = ReadFileStart(path, 16u << 20)) orderSettings_ = OrderSettings::load(*text);
  ctl_.cbOrdonneIni.checked = orderSettings_.orderIni;
  if (orderSettings_.orderIni) ctl_.cbEffaceIni.checked = false;
  packMemory_.loadFile(PackMemoryPath(settingsPath_));
}

void EcrOrvellaLogic::writeOrderSettings() {
  if (settingsPath_.empty()) return;
  orderSettings_.orderIni = ordersSceneryPacks();
  const std::string path = OrderSettingsPath(settingsPath_);
  // Nothing is written for a user who never used the order.
  try {
    if (orderSettings_.orderIni || !orderSettings_.kinds.empty() || FileExists(path))
      ReplaceFile(path, orderSettings_.save());
  } catch (const EOrderWrite& e) {
    UI().ShowMessage(e.what());
  }
  try {
    if (packMemory_.size() > 0) packMemory_.saveFile(PackMemoryPath(settingsPath_));
  } catch (const EOrderWrite&) {
  }
}

}  // namespace orvella
