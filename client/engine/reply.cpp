#include "client/engine/reply.h"

#include <algorithm>
#include <cstdint>

#include "client/workfiles/paths.h"
#include "common/textfile.h"
#include "common/vbstr.h"

namespace kv {

std::string ReplyLine::StatusField() const { return Mid(line, 31, 6); }
std::string ReplyLine::ShortStatus() const { return Mid(line, 31, 2); }
std::string ReplyLine::RecordCount() const { return Mid(line, 33, 5); }
std::string ReplyLine::DetailText() const { return Mid(line, 41, 50); }
std::string ReplyLine::OutputName() const { return Mid(line, 41, 10); }
std::string ReplyLine::SaveStatus() const { return Mid(line, 11, 6); }

ReplyLine ReadReply() { return ReplyLine{ReadFirstLine(paths::kReply).value_or("")}; }

std::string FieldOf(const ReplyLine& reply, ReplyField field) {
  switch (field) {
    case ReplyField::Status: return reply.StatusField();
    case ReplyField::Short: return reply.ShortStatus();
    case ReplyField::Save: return reply.SaveStatus();
  }
  return {};
}

namespace {

// The character position where a status field starts in the line.
std::size_t FieldStart(ReplyField field) { return field == ReplyField::Save ? 11 : 31; }

}  // namespace

bool CutShort(const ReplyLine& reply, std::span<const ReplyTest> tests) {
  if (reply.line.empty() || tests.empty()) return false;
  std::size_t first = SIZE_MAX;
  for (const ReplyTest& t : tests) first = std::min(first, FieldStart(t.field));
  return Len(reply.line) < first;
}

namespace {

// The field each method reads its status word from.
ReplyField StatusFieldOf(ReplyMethod m) { return m == ReplyMethod::ANSER16 ? ReplyField::Save : ReplyField::Status; }

// The field of the success and empty tests.
ReplyField SuccessFieldOf(ReplyMethod m) {
  switch (m) {
    case ReplyMethod::ANSER21:
    case ReplyMethod::ANSER22:
    case ReplyMethod::ANSER23: return ReplyField::Short;
    case ReplyMethod::ANSER16: return ReplyField::Save;
    default: return ReplyField::Status;
  }
}

}  // namespace

ReplyTest SuccessTest(ReplyMethod m, std::string_view operationTitle) {
  ReplyTest t{SuccessFieldOf(m), {}, true};
  t.title = std::string(operationTitle);
  switch (m) {
    case ReplyMethod::ANSER16:
    case ReplyMethod::ANSER25:
    case ReplyMethod::ANSER21:
    case ReplyMethod::ANSER22:
    case ReplyMethod::ANSER23: t.words = {"OK"}; break;
    default: t.words = {"OK    ", "OK"}; break;
  }
  return t;
}

ReplyTest EmptyTest(ReplyMethod m, std::string_view operationTitle) {
  ReplyTest t{SuccessFieldOf(m), {""}, false};
  switch (m) {
    case ReplyMethod::ANSER16:
    case ReplyMethod::ANSER25:
      t.text = kLogonFailureTextPlain;
      t.title = std::string(operationTitle);
      t.icon = MsgIcon::None;
      break;
    case ReplyMethod::ANSER17:
    case ReplyMethod::ANSER26:
      t.text = kLogonFailureText;
      t.title = std::string(operationTitle);
      break;
    default:
      t.text = kLogonFailureText;
      t.title = std::string(kLogonFailureMemberTitle);
      break;
  }
  return t;
}

ReplyTest TimeoutTest(ReplyMethod m, std::string_view operationTitle, std::optional<Ctl> focus) {
  return WordTest(m, "TIMOVR", kTimeoutText, operationTitle, focus);
}

ReplyTest WordTest(ReplyMethod m, std::string_view word, std::string_view text, std::string_view title,
                   std::optional<Ctl> focus, MsgIcon icon) {
  return ReplyTest{StatusFieldOf(m), {word}, false, text, std::string(title), icon, focus};
}

namespace {

std::optional<std::size_t> FirstMatch(const ReplyLine& reply, std::span<const ReplyTest> tests) {
  for (std::size_t i = 0; i < tests.size(); ++i) {
    const ReplyTest& t = tests[i];
    if (std::find(t.words.begin(), t.words.end(), FieldOf(reply, t.field)) != t.words.end()) return i;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::size_t> RunReplyTests(Panel& panel, const ReplyLine& reply, std::span<const ReplyTest> tests,
                                         const std::function<void()>& onSuccess) {
  auto hit = FirstMatch(reply, tests);
  if (!hit) return hit;
  const ReplyTest& t = tests[*hit];
  if (t.success) {
    if (onSuccess) onSuccess();
  } else {
    panel.ShowMessage(std::string(t.text), t.title, t.icon);
    if (t.focus) panel.SetFocus(*t.focus);
  }
  return hit;
}

std::optional<std::size_t> RunReplyTests(RunContext& ctx, const ReplyLine& reply, std::span<const ReplyTest> tests,
                                         const std::function<void()>& onSuccess) {
  if (CutShort(reply, tests)) {
    // The host program answered, but its answer is incomplete: neither a
    // refused logon nor a success can be read from it.
    auto success = std::find_if(tests.begin(), tests.end(), [](const ReplyTest& t) { return t.success; });
    const std::string& title = (success != tests.end() ? *success : tests.front()).title;
    ctx.panel.ShowMessage(ctx.failedTransfer ? TransferFailureText(*ctx.failedTransfer)
                                             : std::string(IsDownloadCode(ctx.code) ? kCutShortDownloadText
                                                                                    : kCutShortUploadText),
                          title, MsgIcon::Exclamation);
    return std::nullopt;
  }
  auto hit = FirstMatch(reply, tests);
  if (hit && tests[*hit].success && ctx.failedTransfer) {
    // The host program finished, but the data it was to send or receive did not
    // arrive: the run is not a success.
    ctx.panel.ShowMessage(TransferFailureText(*ctx.failedTransfer), tests[*hit].title, MsgIcon::Exclamation);
    return hit;
  }
  RunReplyTests(ctx.panel, reply, tests, onSuccess);
  ctx.succeeded = hit && tests[*hit].success;
  return hit;
}

}  // namespace kv
