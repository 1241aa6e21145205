#include "acquire/SequenceNames.h"

#include <algorithm>

#include "files/FileNames.h"

namespace quivane {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::optional<SequenceNames> SplitSequenceNames(std::string first, std::string last)
{
    first = UpperCase(std::move(first));
    last = UpperCase(std::move(last));
    if (first > last) std::swap(first, last);
    if (first.size() != last.size()) return std::nullopt;

    const std::size_t dot = first.find('.');
    if (dot == std::string::npos) return std::nullopt;
    // mark counts characters: the prefix is first[0, mark).
    std::size_t mark = first.size();
    for (std::size_t i = 0; i < dot; ++i) {
        if (first[i] == last[i] && !IsDigit(first[i])) mark = i + 1;
    }
    if (mark == first.size()) return std::nullopt;

    const std::size_t numberLength = dot > mark ? dot - mark : 0;
    return SequenceNames{first, last, first.substr(0, mark), first.substr(mark, numberLength)};
}

std::string IncrementNumberText(std::string text)
{
    for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] != '9') {
            text[i] = static_cast<char>(text[i] + 1);
            return text;
        }
        text[i] = '0';
    }
    return text;  // a carry out of the first character is dropped
}

}  // namespace quivane
