#include "client/window/choosers.h"

#include "client/panel/panel_text.h"
#include "client/window/operations.h"

namespace kv {

void ChooseUploadFile(Panel& panel, FileDialog& dialog) {
  TrimPanel(panel);
  const Operation* op = FindOperation(MenuNo(panel));
  // Only the uploads have an Open-dialog row; any other code gets no filter.
  std::string filter = op && op->IsUpload() ? std::string(op->filter) : std::string();
  dialog.Filter = filter;
  dialog.Flags = kHideReadOnly;
  dialog.ShowOpen();
  panel.SetText(Ctl::pcファイル名, dialog.FileName);
}

void ChooseDownloadTarget(Panel& panel, FileDialog& dialog) {
  TrimPanel(panel);
  const Operation* op = FindOperation(MenuNo(panel));
  std::string proposed, filter;
  if (op && !op->IsUpload() && op->proposedFrom) {
    proposed = panel.Text(*op->proposedFrom) + std::string(op->proposedExtension);
    filter = std::string(op->filter);
  }
  dialog.FileName = proposed;
  dialog.Filter = filter;
  dialog.Flags = kOverwritePrompt;
  dialog.ShowSave();
  panel.SetText(Ctl::pcファイル名, dialog.FileName);
}

}  // namespace kv
