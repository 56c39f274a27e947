// The main window's logic: its controls (as a component table), the two
// scenery trees, the managed installations, the options, and one method per
// event handler. The Qt window (TEcrOrvella) shows this state and forwards
// its events here; tests drive it directly.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "logic/core/form.h"
#include "logic/mainwindow/controls.h"
#include "logic/model/tree.h"
#include "logic/order/ordersettings.h"
#include "logic/order/scenerypacks.h"

namespace orvella {

// What became of the ordered scenery_packs.ini at a launch.
enum class OrderWrite { Written, Failed, Cancelled };

// What the logic needs from the real window besides its controls.
class WindowHost {
 public:
  virtual ~WindowHost() = default;
  // Outer bounds of the window (left, top, width, height).
  virtual Rect bounds() = 0;
  virtual void setBounds(const Rect& r) = 0;
  // Closes the main window (which writes the settings file and ends the run).
  virtual void closeWindow() = 0;
  // Brings the program's window back to the foreground.
  virtual void bringToFront() = 0;
  // Shows the logic's state now, before long work; the window otherwise
  // shows it once, when the event's handler has returned.
  virtual void showNow() = 0;
  // Starts the scenery check of the selected installation in the check's
  // window, once the running handler has returned.
  virtual void queueCheck() = 0;
};

// The design of the windows (controls, captions, positions, anchors, initial
// states, popup menu items), in creation order.
Form CreateEcrOrvellaForm();
Form CreateEcrBibliosForm();
Form CreateEcrConfirmeCopieForm();

// The simulator's executables that mark an installation on this system, as
// parts to append to the installation path, the one launched first: on
// Windows \X-Plane.exe only; on Linux \X-Plane-x86_64, then \X-Plane.exe;
// on macOS the bundle \X-Plane.app, then \X-Plane.exe.
std::vector<std::string> SimulatorPrograms();
// Whether folder p is an X-Plane installation: it holds "Custom Scenery" and
// one of SimulatorPrograms().
bool IsXPlaneInstallation(const std::string& p);

class EInOutError;
// The message box text of an input/output error of the settings file at
// path: the path, " :", a line break, then the run-time's text.
std::string SettingsErrorMessage(const std::string& path, const EInOutError& e);

// The popup menu's kind items and the kind each sets (none: as the files say).
inline constexpr std::pair<const char*, std::optional<PackKind>> kTypeItems[] = {
    {"PM_TypeAuto", std::nullopt},          {"PM_TypeAeroport", PackKind::Airport},
    {"PM_TypeBiblio", PackKind::Library},   {"PM_TypeSurcouche", PackKind::Overlay},
    {"PM_TypeOrtho", PackKind::Orthophoto}, {"PM_TypeMaillage", PackKind::Mesh},
    {"PM_TypeInconnu", PackKind::Unknown},
};

class EcrOrvellaLogic;
struct SettingsRead;

// A control of the main window and the handler its click runs: its own, or
// one shared by several controls and told which control ran it.
struct ControlHandler {
  const char* control;
  void (EcrOrvellaLogic::*click)() = nullptr;
  void (EcrOrvellaLogic::*shared)(const std::string& control) = nullptr;
};

// The handlers of the main window's buttons, check boxes and menu items, in
// the order of the design.
std::span<const ControlHandler> ControlHandlers();

// Checks ControlHandlers() against form: every control it names is one of
// form, has one handler, and every button, check box and menu item (but a
// separator) of form has one. Throws std::logic_error naming the first
// mismatch.
void CheckHandlers(const Form& form);

// The side panel shown or hidden: the tabs take the room, and the launch
// buttons, the two options and Quitter move beside or below them. w and h:
// the client area.
void LayOutSidePanel(EcrOrvellaControls& c, int w, int h, bool shown);

class EcrOrvellaLogic {
 public:
  EcrOrvellaLogic();
  EcrOrvellaLogic(const EcrOrvellaLogic&) = delete;
  EcrOrvellaLogic& operator=(const EcrOrvellaLogic&) = delete;

  // --- State ---------------------------------------------------------------
  // The main window's controls and menu items.
  const Form& mainForm() const { return form_; }
  // The same Form for the window's widgets, which set its client size (the
  // anchors move the controls) and lay themselves out from it.
  Form& layoutForm() { return form_; }
  // The controls the logic works on, resolved from the Form.
  const EcrOrvellaControls& controls() const { return ctl_; }
  // Tab "Custom Scenery" and tab "Global Scenery"; the window's tree views
  // show and edit them.
  SceneryTree& custScn() { return custScn_; }
  const SceneryTree& custScn() const { return custScn_; }
  SceneryTree& globScn() { return globScn_; }
  const SceneryTree& globScn() const { return globScn_; }
  // The tree commands act on.
  SceneryTree* current() const { return current_; }
  // The settings file (beside the executable, or in the user's folder).
  const std::string& settingsPath() const { return settingsPath_; }
  // The items of rgListeXP.
  const std::vector<std::string>& installations() const { return installations_; }
  // Appends an installation as it is, unchecked and unselected.
  void addInstallation(const std::string& path) { installations_.push_back(path); }
  // The shown tab of Pages.
  int pageIndex() const { return pageIndex_; }
  // The order's own settings and the memory of classified packs.
  const OrderSettings& order() const { return orderSettings_; }
  const PackMemory& packs() const { return packMemory_; }
  // A check box was clicked: the Form learns its new state before the
  // box's handler runs. Throws std::out_of_range for an unknown control.
  void setChecked(std::string_view control, bool on) { form_[control].checked = on; }

  void setHost(WindowHost* host) { host_ = host; }

  // The auto-sort flag (shown by cbTriAuto and PM_TriAuto).
  bool autoSort() const { return autoSort_; }
  // Selected installation of rgListeXP, -1 for none.
  int selectedInstallation() const { return selected_; }
  bool installationSelected() const { return selected_ >= 0; }
  // Selects installation i (-1: none); runs rgListeXPClick when an
  // installation becomes selected that was not selected before.
  void selectInstallation(int i);
  // Read by the settings file and the launch.
  bool deletesSceneryPacks() const { return ctl_.cbEffaceIni.checked; }
  bool panelShown() const { return ctl_.pnlBtns.visible; }
  // The window's outer bounds (through the host when there is one).
  Rect windowBounds() const;
  // The bounds the settings file gave, for the window to take once the
  // file was read; nothing when it gave none.
  const std::optional<Rect>& readBounds() const { return readBounds_; }

  // Runs the handler of a control of ControlHandlers().
  void dispatch(const ControlHandler& entry);

  // --- Start and stop ---------------------------------------------------------
  // FormCreate, in its order. exePath: the executable's full path;
  // settingsFile: the settings file as the program worked it out once at
  // start (SettingsFilePath), or empty to work it out here.
  void FormCreate(const std::string& exePath, const std::string& settingsFile = {});
  void FormDestroy();
  void PagesChange(int index);
  void btnQuitterClick();

  // --- Settings file -----------------------------------------------------------
  void EcritParametres(const std::string& path);
  void LitParametres(const std::string& path);

  // --- Installations and launch --------------------------------------------------
  void btnAjouteXPlaneClick();
  void btnOteXPlaneClick();
  void rgListeXPClick();
  // Reads both trees' scenery folders again (F5): scenes renamed or removed
  // on disk show as they now are.
  void refreshAll();
  // Handler of both launch buttons; control is "btnOuvrirXP" or "btnOuvrirXPQuitter".
  void btnOuvrirXPQuitterClick(const std::string& control);

  // --- Activation --------------------------------------------------------------
  void btnActiverClick();
  void btnDesactiverClick();

  // --- Adding scenes, orphans ---------------------------------------------------
  void btnAjoutSceneClick();
  // Adds a folder under parent (a scene, or a group mirroring the folder).
  void AjouteDossier(const std::string& path, Node* parent);
  void btnAjoutOrphelinsClick();

  // --- Command availability, menu, side panel -----------------------------------
  void ActualiseCommandes();
  void TreeChange(SceneryTree* tree);
  // Right button down in CustScn on node (nullptr: empty space).
  void CustScnMouseDown(bool rightButton, Node* node);
  void PM_PagePopup();
  void PM_BtnLatClick();
  void AfficheTriAuto();

  // --- Group editing -----------------------------------------------------------
  void btnNouvGroupeClick();
  void btnNouvSousGroupeClick();
  void btnDeplHClick();
  void btnDeplBClick();
  void cbTriAutoClick();
  void btnTrierClick();
  void btnSuppGroupeClick();
  // End of an in-place edit of node in tree: node takes newText.
  void TreeEdited(SceneryTree* tree, Node* node, const std::string& newText);

  // --- Drag and drop -----------------------------------------------------------
  // Whether a node dragged over `target` of tree may be dropped there.
  bool TreeDragOver(SceneryTree* tree, Node* target);
  void TreeDragDrop(SceneryTree* tree, Node* target);
  // Files dropped from the desktop shell on tree at node (nullptr: empty
  // space); names are Windows paths.
  void dropFiles(SceneryTree* tree, Node* node, const std::vector<std::string>& names);

  // --- Scenery order --------------------------------------------------------
  // The launch writes scenery_packs.ini in order (shown by cbOrdonneIni;
  // exclusive with cbEffaceIni). Kept with the hand-set kinds in a file
  // beside the settings file, which stays as it is.
  bool ordersSceneryPacks() const { return ctl_.cbOrdonneIni.checked; }
  void cbEffaceIniClick();
  void cbOrdonneIniClick();
  // The order that would be written for the selected installation; the
  // packs are read off the window's thread (UI().RunLong). Nothing when the
  // user cancelled.
  std::optional<OrderPlan> planSceneryOrder();
  // Writes the selected installation's scenery_packs.ini in order; on a
  // failure says why (the previous file stays whole).
  OrderWrite writeSceneryOrder();
  // Shows the order that would be written, before anything is written.
  void PM_ApercuOrdreClick();
  // One of the PM_Type* items: the selected scene's kind set by hand
  // (PM_TypeAuto: as its files say).
  void PM_TypeClick(const std::string& item);
  // The pack folder of a node of CustScn or GlobScn (a scene's folder, or an
  // entry of the unmanaged node in the scenery folder); empty for groups.
  std::string packFolderOf(const Node* node) const;
  // A node's tooltip: a scene's kind.
  std::string nodeHint(const Node* node);
  // The order's own settings file and the memory of classified packs.
  void readOrderSettings();
  void writeOrderSettings();

  // --- Scenery check -----------------------------------------------------------
  // What a check of the selected installation starts from: the installation,
  // the scene folders of both trees that are not active there (they may
  // provide what is missing), and the file of remembered stamps beside the
  // settings file (orvella-check's own). Raises EListError when no
  // installation is selected.
  struct CheckRequest {
    std::string installation;
    std::vector<std::string> inactiveScenes;
    std::string memoryFile;
  };
  CheckRequest makeCheckRequest() const;
  // btnVerifier and PM_Verifier: the window starts the check.
  void btnVerifierClick();
  // Activates the scene of either tree whose folder is `folder` (the case of
  // A-Z aside), as its activation button would; false when no tree holds
  // such an inactive scene.
  bool activateSceneFolder(const std::string& folder);
  // Turns the line of scenery_packs.ini that disables the pack `folder` (by
  // its path or its folder's name) into an enabled one, when the launch
  // writes the order; false when the option is off or no line disables it.
  // The file is written safely (its previous text kept aside, the user's
  // own last file kept as for the launch's writes); one that cannot be read
  // whole raises EOrderWrite and is left as it is.
  bool enablePackInIni(const std::string& folder);
  // The scene node of either tree, or the entry of an unmanaged node, whose
  // pack folder is `folder` (or whose link is named `name` when no folder
  // matches); nullptr when none.
  Node* nodeOfPack(const std::string& folder, const std::string& name = {}) const;

 private:
  // Shows the state at once (before long work); nothing without a window.
  void showNow() {
    if (host_) host_->showNow();
  }
  void setAutoSort(bool on) { autoSort_ = on; }
  // Activates (or deactivates) the selection of the current tree, then, even
  // after a failure, refreshes both trees and sets the commands from the
  // states read. Scenes left inactive are told in one message.
  void applyActivation(bool activate);
  // Takes in what the settings file held but the selection, which it
  // answers (the file's index, less the vanished installations before it);
  // throws the file's error, if it had one, once what was read before it is
  // taken.
  int applySettings(const SettingsRead& read);
  // Writes an installation's scenery_packs.ini (see WriteSceneryPacks),
  // telling the program's own last output there from the user's file by the
  // digest kept for that path, and keeps the new digest. Raises EOrderWrite.
  void writeSceneryPacksFile(const std::string& path, const std::string& text);

  Form form_;
  EcrOrvellaControls ctl_;
  SceneryTree custScn_;
  SceneryTree globScn_;
  SceneryTree* current_;
  std::string settingsPath_;
  std::vector<std::string> installations_;
  int pageIndex_ = 0;
  OrderSettings orderSettings_;
  PackMemory packMemory_;
  WindowHost* host_ = nullptr;
  bool autoSort_ = false;
  int selected_ = -1;
  // The settings file as it stood at start is kept as ".bak" before it is
  // written when it was not taken in whole: the read stopped on an error, or
  // writing what was read would not give the same bytes back.
  bool readFailed_ = false;
  std::string originalSettings_;  // the settings file as read at start
  Rect bounds_;                   // window bounds without a host
  std::optional<Rect> readBounds_;
};

}  // namespace orvella
