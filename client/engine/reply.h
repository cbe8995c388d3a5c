// The reply file: the first line of FTPTEXT.DAT, its fixed fields, and the
// ordered tests (field, word, outcome) that every reply method runs on it.
#pragma once
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "client/engine/methods.h"
#include "client/panel/panel.h"

namespace kv {

struct ReplyLine {
  std::string line;  // empty when the file is missing or empty

  std::string StatusField() const;  // characters 31 to 36
  std::string ShortStatus() const;  // characters 31 to 32
  std::string RecordCount() const;  // characters 33 to 37
  std::string DetailText() const;   // characters 41 to 90
  std::string OutputName() const;   // characters 41 to 50
  std::string SaveStatus() const;   // characters 11 to 16 (library and object downloads)
};

ReplyLine ReadReply();

enum class ReplyField { Status, Short, Save };
std::string FieldOf(const ReplyLine& reply, ReplyField field);

// What a matching word does: the success line (the method's own code), or a box.
struct ReplyTest {
  ReplyField field;
  std::vector<std::string_view> words;  // any of them matches
  bool success = false;
  std::string_view text = {};
  std::string title = {};
  MsgIcon icon = MsgIcon::Exclamation;
  std::optional<Ctl> focus = std::nullopt;
};

// The reply methods, by how they read the line.
enum class ReplyMethod { ANSER11, ANSER13, ANSER14, ANSER16, ANSER17, ANSER21, ANSER22, ANSER23, ANSER25, ANSER26 };

// The success test of a method: its field and the words that count as success;
// `operationTitle` titles the box of a run whose payload transfer failed.
ReplyTest SuccessTest(ReplyMethod method, std::string_view operationTitle = {});
// The empty test: the same field as the success test, and the method's logon box.
ReplyTest EmptyTest(ReplyMethod method, std::string_view operationTitle);
// "TIMOVR" in the method's status field: "通信不能です。".
ReplyTest TimeoutTest(ReplyMethod method, std::string_view operationTitle, std::optional<Ctl> focus = std::nullopt);
// Any other word, tested against the method's status field.
ReplyTest WordTest(ReplyMethod method, std::string_view word, std::string_view text, std::string_view title,
                   std::optional<Ctl> focus = std::nullopt, MsgIcon icon = MsgIcon::Exclamation);

// Whether the host cut the reply line short: there is a line, but it ends
// before the status field the tests read, so its status word was lost. An
// empty line (no reply at all) is not cut short; a line that reaches the field
// is judged by what it holds there.
bool CutShort(const ReplyLine& reply, std::span<const ReplyTest> tests);

// Runs the tests in order and carries out the first that matches: the success
// test calls `onSuccess`, any other shows its box and moves the focus.
// Returns the matching test's index, or nothing when no word matched.
std::optional<std::size_t> RunReplyTests(Panel& panel, const ReplyLine& reply, std::span<const ReplyTest> tests,
                                         const std::function<void()>& onSuccess);
// The same for a run: a success word after a run whose PC data did not arrive
// or was not taken (ctx.failedTransfer) shows that failure in a box titled with
// the success test's title instead; a reply line cut short shows that the
// host's answer was incomplete (titled as the success test), never the logon
// box; ctx.succeeded tells whether the success line was shown.
std::optional<std::size_t> RunReplyTests(RunContext& ctx, const ReplyLine& reply, std::span<const ReplyTest> tests,
                                         const std::function<void()>& onSuccess);

inline constexpr std::string_view kLogonFailureText = "ログイン出来ません。ユーザー・パスワード間違いないですか？";
inline constexpr std::string_view kLogonFailureTextPlain = "ログイン出来ません。ユーザー・パスワードは間違いないですか？";
inline constexpr std::string_view kLogonFailureMemberTitle = "PC⇒AS400(CSV）";
inline constexpr std::string_view kTimeoutText = "通信不能です。";
inline constexpr std::string_view kCutShortDownloadText =
    "ホストの応答が途中で切れていました。ダウンロードは完了していません。もう一度実行して下さい。";
inline constexpr std::string_view kCutShortUploadText =
    "ホストの応答が途中で切れていました。アップロードの結果をホストで確認して下さい。";

}  // namespace kv
