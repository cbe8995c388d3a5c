// The two file choosers of the PC-file frame: 参照 (Open, uploads) and 保存先
// (Save, downloads). Both work through one dialog object whose FileName carries
// over from one use to the next, as the window's common dialog does.
#pragma once
#include <string>

#include "client/panel/panel.h"

namespace kv {

// The common dialog as the choosers use it. FileName is the proposed name going
// in and the confirmed name coming out; a cancelled dialog leaves it as it was.
class FileDialog {
 public:
  virtual ~FileDialog() = default;
  std::string FileName;
  std::string Filter;  // description|pattern pairs, all separated by "|"
  int Flags = 0;
  virtual void ShowOpen() = 0;
  virtual void ShowSave() = 0;
};

// Flag values of the common dialog: hide the read-only box; ask before replacing.
inline constexpr int kHideReadOnly = 4;
inline constexpr int kOverwritePrompt = 2;

// 参照: trims the panel, shows the Open dialog with the upload's filter and puts
// the dialog's FileName into pcファイル名.
void ChooseUploadFile(Panel& panel, FileDialog& dialog);

// 保存先: trims the panel, proposes the download's name, shows the Save dialog
// and puts the dialog's FileName into pcファイル名.
void ChooseDownloadTarget(Panel& panel, FileDialog& dialog);

}  // namespace kv
