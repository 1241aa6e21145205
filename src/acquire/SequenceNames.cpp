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

bool IsPictureExtension(const std::string& extension)
{
    static const char* const known[] = {".BMP", ".PNG", ".TIF", ".TIFF", ".JPG", ".JPEG", ".FIT", ".FITS", ".FTS"};
    return std::find(std::begin(known), std::end(known), extension) != std::end(known);
}

BitmapPairCheck CheckBitmapPair(const BitmapPair& pair)
{
    BitmapPairCheck check;
    auto refuse = [&](const char* message) {
        check.messages.emplace_back(message);
        check.accepted = false;
    };
    if (!pair.heldFolder.empty() && pair.heldFolder != pair.folder)
        refuse("The directory of both first and last picture must match");
    if (pair.first.empty() || pair.last.empty()) refuse("You have to supply two pictures");
    if (UpperCase(pair.first) == UpperCase(pair.last)) refuse("The names of first and last picture cannot be the same");
    const bool picture = IsPictureExtension(pair.extension);
    if (pair.extension != ".AVI" && !picture) check.accepted = false;
    if (!check.accepted || !picture) return check;

    check.names = SplitSequenceNames(pair.first, pair.last);
    if (!check.names) {
        check.accepted = false;
    } else if (check.names->numberText.empty()) {
        // Without a number the name never changes: the same file would be read over and over.
        check.names.reset();
        refuse("The names of first and last picture must differ in a number before the extension");
    }
    return check;
}

}  // namespace quivane
