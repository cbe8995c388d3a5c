// Window class and control identifiers of the setup window Form1. The GUI test
// driver finds the controls by these numbers too.
#pragma once

namespace kv::setupwin {

inline constexpr wchar_t kMainClass[] = L"Form1";

enum ControlId : int {
  kAS400 = 3001,
  kPC,
  kFrame1,
  kLabel4,
  kIPアドレス,
  kLabel1,
  kユーザー,
  kLabel3,
  kパスワード,
  kFrame2,
  kDrive1,
  kDir1,  // its window text is the current path
  k開始,
  kキャンセル,
  k完了,
  kセットアップ中,
};

// Menu items of メニュー(&M).
inline constexpr int kInstallTrialP = 3101;  // 導入方法
inline constexpr int kKvs = 3102;            // ホーム

}  // namespace kv::setupwin
