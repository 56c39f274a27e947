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
    : form(CreateEcrOrvellaForm()), ctl(form), CustScn("CustScn"), GlobScn("GlobScn"), current(&CustScn) {
  bounds_ = Rect{162, 77, form.clientWidth(), form.clientHeight()};
}

Rect EcrOrvellaLogic::windowBounds() const { return host_ ? host_->bounds() : bounds_; }

void EcrOrvellaLogic::setWindowBounds(const Rect& r) {
  bounds_ = r;
  if (host_) host_->setBounds(r);
}

std::string MessageParametres(const std::string& path, const EInOutError& e) {
  // The file's path first, as for a vanished installation: the user sees
  // which file could not be read or written, and where.
  return path + " :\r\n" + e.what();
}

void EcrOrvellaLogic::FormCreate(const std::string& exePath, const std::string& settingsFile) {
  Catalogue& t = Textes();
  // 1. Translation, before anything reads a caption or a text.
  TraduitEcran(form, t.mainWindowEntries());
  // 2. Run-time captions of the activation buttons.
  ctl.btnActiver.caption = t.InstLaScene.text;
  ctl.btnDesactiver.caption = t.DesinsLaScene.text;
  // 3. Menu items take the captions of their buttons.
  ctl.PM_NouvGroupe.caption = ctl.btnNouvGroupe.caption;
  ctl.PM_NouvSousGroupe.caption = ctl.btnNouvSousGroupe.caption;
  ctl.PM_Trier.caption = ctl.btnTrier.caption;
  ctl.PM_TriAuto.caption = ctl.cbTriAuto.caption;
  ctl.PM_AjoutScene.caption = ctl.btnAjoutScene.caption;
  ctl.PM_AjoutOrphelins.caption = ctl.btnAjoutOrphelins.caption;
  // 4. Version.
  form.setCaption(form.caption() + " V2.2");
  // 5. First tab.
  pageIndex = 0;
  current = &CustScn;
  // 6-7. Settings file beside the executable, or in the user's
  // configuration folder when the executable's folder cannot be written.
  // A file left beside an executable whose folder became read-only is read
  // until the configuration folder has one of its own.
  settingsPath = settingsFile.empty() ? CheminParametres(exePath) : settingsFile;
  std::string source = settingsPath;
  if (!FileExists(source) && FileExists(ChangeExtension(exePath, ".ini"))) source = ChangeExtension(exePath, ".ini");
  if (FileExists(source)) {
    try {
      LitParametres(source);
    } catch (const EInOutError& e) {
      UI().ShowMessage(MessageParametres(source, e));
    }
  }
  LitOrdre();
  changed();
}

void EcrOrvellaLogic::FormDestroy() {
  try {
    // The configuration folder is made on the first save that needs it.
    if (!DirectoryExists(FolderPart(settingsPath))) CreeDossiers(FolderPart(settingsPath));
    EcritParametres(settingsPath);
  } catch (const EInOutError& e) {
    UI().ShowMessage(MessageParametres(settingsPath, e));
  }
  EcritOrdre();
}

void EcrOrvellaLogic::PagesChange(int index) {
  pageIndex = index;
  current = index == 0 ? &CustScn : &GlobScn;
  ActualiseCommandes();
}

void EcrOrvellaLogic::btnQuitterClick() {
  if (host_) host_->close();
}

void EcrOrvellaLogic::selectInstallation(int i) {
  if (i < -1 || i >= static_cast<int>(installations.size())) throw EListError(i);
  const bool changedSelection = i != selected_;
  selected_ = i;
  if (changedSelection && i >= 0) rgListeXPClick();
}

void EcrOrvellaLogic::rgListeXPClick() {
  if (selected_ < 0) throw EListError(selected_);
  const std::string& p = installations[static_cast<size_t>(selected_)];
  CustScn.sceneryFolder = p + "\\Custom Scenery" + "\\";
  GlobScn.sceneryFolder = p + "\\Global Scenery" + "\\";
  RafraichitArbre(CustScn, true);
  RafraichitArbre(GlobScn, true);
  ctl.btnOteXPlane.enabled = true;
  ctl.btnNouvGroupe.enabled = true;
  ActualiseCommandes();
}

void EcrOrvellaLogic::RafraichitTout() {
  if (selected_ < 0) return;
  RafraichitArbre(CustScn, true);
  RafraichitArbre(GlobScn, true);
  ActualiseCommandes();
}

}  // namespace orvella
