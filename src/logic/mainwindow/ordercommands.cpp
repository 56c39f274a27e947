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
  if (effaceIni()) ctl.cbOrdonneIni.checked = false;
  changed();
}

void EcrOrvellaLogic::cbOrdonneIniClick() {
  if (ordonneIni()) ctl.cbEffaceIni.checked = false;
  orderSettings.orderIni = ordonneIni();
  changed();
}

std::optional<OrderPlan> EcrOrvellaLogic::PlanOrdreScenes() {
  if (selected_ < 0 || selected_ >= static_cast<int>(installations.size())) throw EListError(-1);
  OrderInput in;
  in.installation = installations[static_cast<size_t>(selected_)];
  // The user's arrangement: the scenes of the Custom Scenery tree, depth first.
  CustScn.forEach([&](Node* n) {
    if (n->isScene() && !Unmanaged(n)) in.scenes.push_back({LinkName(n->text()), n->text()});
  });
  in.handKinds = orderSettings.foldedKinds();
  OrderSources sources = GatherOrder(in);
  // The packs are looked at off the window's thread; the memory is given
  // only copies until the work is over.
  std::vector<PackCheck> checks = packMemory.checks(sources.folders());
  LongTask task;
  task.total = static_cast<int>(checks.size());
  const bool done = UI().RunLong(Ansi("Lecture des scènes pour scenery_packs.ini…"), task,
                                 [&checks, &task] { RunPackChecks(checks, &task.cancelled, &task.done); });
  if (!done) return std::nullopt;
  packMemory.learn(std::move(checks));
  return PlanGathered(in, std::move(sources), packMemory);
}

OrderWrite EcrOrvellaLogic::EcritOrdreScenes() {
  const std::string path = SceneryPacksPath(installations.at(static_cast<size_t>(selected_)));
  const std::string key = FoldAsciiCase(path);
  try {
    const std::optional<OrderPlan> plan = PlanOrdreScenes();
    if (!plan) return OrderWrite::Cancelled;
    auto own = orderSettings.written.find(key);
    orderSettings.written[key] =
        WriteSceneryPacks(path, RenderSceneryPacks(*plan), own == orderSettings.written.end() ? 0 : own->second);
  } catch (const EOrderWrite& e) {
    UI().ShowMessage(e.what());
    return OrderWrite::Failed;
  }
  // What was learnt about the packs, and the digest of the file written, are
  // kept at once; losing them only costs a slower next launch and a backup.
  if (!settingsPath.empty()) {
    try {
      packMemory.saveFile(PackMemoryPath(settingsPath));
      orderSettings.orderIni = ordonneIni();
      ReplaceFile(OrderSettingsPath(settingsPath), orderSettings.save());
    } catch (const EOrderWrite&) {
    }
  }
  return OrderWrite::Written;
}

void EcrOrvellaLogic::PM_ApercuOrdreClick() {
  const std::optional<OrderPlan> plan = PlanOrdreScenes();
  if (!plan) return;
  std::vector<OrderLine> lines;
  lines.reserve(plan->entries.size());
  for (const OrderEntry& e : plan->entries)
    lines.push_back(
        {e.name, PackKindLabel(e.kind), Joined(e.airports), e.disabled, e.handSet, static_cast<int>(e.kind), e.reason});
  UI().ShowOrder(Ansi("Ordre de scenery_packs.ini (le haut l'emporte)"), lines, plan->warnings);
  changed();
}

void EcrOrvellaLogic::PM_TypeClick(const std::string& item) {
  Node* s = CustScn.selected();
  const std::string folder = s ? PackFolderOf(s) : std::string();
  if (folder.empty()) return;
  for (const auto& [name, kind] : kTypeItems)
    if (item == name) orderSettings.setKind(folder, kind);
  changed();
}

std::string EcrOrvellaLogic::PackFolderOf(const Node* node) const {
  if (!node || !node->tree()) return {};
  if (Unmanaged(node)) return node->tree()->sceneryFolder + node->text();
  return node->isScene() ? node->text() : std::string();
}

std::string EcrOrvellaLogic::NodeHint(const Node* node) {
  const std::string folder = PackFolderOf(node);
  if (folder.empty() || !DirectoryExists(folder)) return {};
  const PackFacts& facts = packMemory.facts(folder);
  const std::optional<PackKind> hand = orderSettings.kindOf(folder);
  std::string hint = "Type : " + PackKindLabel(hand ? *hand : facts.kind);
  if (!facts.airports.empty() && (!hand || *hand == PackKind::Airport)) hint += " (" + Joined(facts.airports) + ")";
  if (!hand && !facts.reason.empty()) hint += " (" + facts.reason + ")";
  if (hand) hint += Ansi(", choisi à la main");
  return hint;
}

void EcrOrvellaLogic::LitOrdre() {
  if (settingsPath.empty()) return;
  const std::string path = OrderSettingsPath(settingsPath);
  if (FileExists(path))
    if (std::optional<std::string> text = ReadFileStart(path, 16u << 20)) orderSettings = OrderSettings::Load(*text);
  ctl.cbOrdonneIni.checked = orderSettings.orderIni;
  if (orderSettings.orderIni) ctl.cbEffaceIni.checked = false;
  packMemory.loadFile(PackMemoryPath(settingsPath));
}

void EcrOrvellaLogic::EcritOrdre() {
  if (settingsPath.empty()) return;
  orderSettings.orderIni = ordonneIni();
  const std::string path = OrderSettingsPath(settingsPath);
  // Nothing is written for a user who never used the order.
  try {
    if (orderSettings.orderIni || !orderSettings.kinds.empty() || FileExists(path))
      ReplaceFile(path, orderSettings.save());
  } catch (const EOrderWrite& e) {
    UI().ShowMessage(e.what());
  }
  try {
    if (packMemory.size() > 0) packMemory.saveFile(PackMemoryPath(settingsPath));
  } catch (const EOrderWrite&) {
  }
}

}  // namespace orvella
