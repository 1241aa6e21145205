#include "batch/HeadlessUi.h"

#include <ostream>

namespace quivane {

void HeadlessUi::setStatusText(const std::string& text)
{
    status = text;
    if (progress_) *progress_ << text << '\n';
}

std::optional<std::string> HeadlessUi::askOpenFileName(const FileDialogRequest&) { return nextAnswer(); }

std::optional<std::string> HeadlessUi::askSaveFileName(const FileDialogRequest&) { return nextAnswer(); }

std::optional<std::string> HeadlessUi::nextAnswer()
{
    if (dialogAnswers.empty()) return std::nullopt;
    std::optional<std::string> answer = std::move(dialogAnswers.front());
    dialogAnswers.pop_front();
    return answer;
}

}  // namespace quivane
