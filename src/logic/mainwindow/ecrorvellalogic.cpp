// The main window's start, tabs, installation selection and shut-down.
#include "logic/mainwindow/ecrorvellalogic.h"

#include "logic/core/errors.h"
#include "logic/core/filelocations.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/core/pathnames.h"
#include "logic/model/refresh.h"
#include "logic/texts/textes.h"

namespace orvella {

EcrOrvellaLogic::EcrOrvellaLogic()
    : form_(CreateEcrOrvellaForm()), ctl_(form_), custScn_("CustScn"), globScn_("GlobScn"), current_(&custScn_) {
  bounds_ = Rect{162, 77, form_.clientWidth(), form_.clientHeight()};
}

Rect EcrOrvellaLogic::windowBounds() const { return host_ ? host_->bounds() : bounds_; }

std::string SettingsErrorMessage(const std::string& path, const EInOutError& e) {
  // The file's path first, as for a vanished installation: the user sees
  // which file could not be read or written, and where.
  return path + " :\r\n" + e.what();
}

void EcrOrvellaLogic::FormCreate(const std::string& exePath, const std::string& settingsFile) {
  Catalogue& t = Textes();
  // 1. Translation, before anything reads a caption or a text.
  TraduitEcran(form_, t.mainWindowEntries());
  // 2. Run-time captions of the activation buttons.
  ctl_.btnActiver.caption = t.InstLaScene.text;
  ctl_.btnDesactiver.caption = t.DesinsLaScene.text;
  // 3. Menu items take the captions of their buttons.
  ctl_.PM_NouvGroupe.caption = ctl_.btnNouvGroupe.caption;
  ctl_.PM_NouvSousGroupe.caption = ctl_.btnNouvSousGroupe.caption;
  ctl_.PM_Trier.caption = ctl_.btnTrier.caption;
  ctl_.PM_TriAuto.caption = ctl_.cbTriAuto.caption;
  ctl_.PM_AjoutScene.caption = ctl_.btnAjoutScene.caption;
  ctl_.PM_AjoutOrphelins.caption = ctl_.btnAjoutOrphelins.caption;
  // 4. Version.
  form_.setCaption(form_.caption() + " V2.2");
  // 5. First tab.
  pageIndex_ = 0;
  current_ = &custScn_;
  // 6-7. Settings file beside the executable, or in the user's
  // configuration folder when the executable's folder cannot be written.
  // A file left beside an executable whose folder became read-only is read
  // until the configuration folder has one of its own.
  settingsPath_ = settingsFile.empty() ? SettingsFilePath(exePath) : settingsFile;
  std::string source = settingsPath_;
  if (!FileExists(source) && FileExists(ChangeExtension(exePath, ".ini"))) source = ChangeExtension(exePath, ".ini");
  if (FileExists(source)) {
    try {
      LitParametres(source);
    } catch (const EInOutError& e) {
      UI().ShowMessage(SettingsErrorMessage(source, e));
    }
  }
  readOrderSettings();
}

void EcrOrvellaLogic::FormDestroy() {
  try {
    // The configuration folder is made on the first save that needs it.
    if (!DirectoryExists(FolderPart(settingsPath_))) CreateFolders(FolderPart(settingsPath_));
    EcritParametres(settingsPath_);
  } catch (const EInOutError& e) {
    UI().ShowMessage(SettingsErrorMessage(settingsPath_, e));
  }
  writeOrderSettings();
}

void EcrOrvellaLogic::dispatch(const ControlHandler& entry) {
  if (entry.click)
    (this->*entry.click)();
  else if (entry.shared)
    (this->*entry.shared)(entry.control);
}

void EcrOrvellaLogic::PagesChange(int index) {
  pageIndex_ = index;
  current_ = index == 0 ? &custScn_ : &globScn_;
  ActualiseCommandes();
}

void EcrOrvellaLogic::btnQuitterClick() {
  if (host_) host_->closeWindow();
}

void EcrOrvellaLogic::selectInstallation(int i) {
  if (i < -1 || i >= static_cast<int>(installations_.size())) throw EListError(i);
  const bool changedSelection = i != selected_;
  selected_ = i;
  if (changedSelection && i >= 0) rgListeXPClick();
}

void EcrOrvellaLogic::rgListeXPClick() {
  if (selected_ < 0) throw EListError(selected_);
  const std::string& p = installations_[static_cast<size_t>(selected_)];
  custScn_.sceneryFolder = p + "\\Custom Scenery" + "\\";
  globScn_.sceneryFolder = p + "\\Global Scenery" + "\\";
  RafraichitArbre(custScn_, true);
  RafraichitArbre(globScn_, true);
  ctl_.btnOteXPlane.enabled = true;
  ctl_.btnNouvGroupe.enabled = true;
  ActualiseCommandes();
}

void EcrOrvellaLogic::refreshAll() {
  if (selected_ < 0) return;
  RafraichitArbre(custScn_, true);
  RafraichitArbre(globScn_, true);
  ActualiseCommandes();
}

}  // namespace orvella
