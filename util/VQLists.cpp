#include "util/VQLists.h"

#include <algorithm>
#include <climits>

#include "util/FreeAndClear.h"

namespace capspect {

namespace {

constexpr std::u16string_view kLineBreak = u"\r\n";

std::vector<std::u16string> SplitLines(std::u16string_view text) {
    std::vector<std::u16string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = std::min(text.find_first_of(u"\r\n", start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end;
        if (start < text.size() && text[start] == u'\r') {
            ++start;
        }
        if (start < text.size() && text[start] == u'\n') {
            ++start;
        }
    }
    return lines;
}

}  // namespace

// The lock exists before the list it guards.
TThreadStringList::TThreadStringList()
    : FStringList(nullptr), FLock(std::make_unique<std::recursive_mutex>()) {
    FStringList = std::make_unique<StringList>();
}

// The list goes while the lock is held; the lock goes last, once it has been left.
TThreadStringList::~TThreadStringList() {
    {
        const std::lock_guard guard(*FLock);
        FreeAndClear(FStringList);
    }
    FreeAndClear(FLock);
}

void TThreadStringList::Add(std::u16string_view s) {
    const std::lock_guard guard(*FLock);
    FStringList->emplace_back(s);
}

void TThreadStringList::Clear() {
    const std::lock_guard guard(*FLock);
    FStringList->clear();
}

int TThreadStringList::Count() const {
    const std::lock_guard guard(*FLock);
    return static_cast<int>(std::min<std::size_t>(FStringList->size(), INT_MAX));
}

std::u16string TThreadStringList::Text() const {
    const std::lock_guard guard(*FLock);
    std::u16string text;
    for (const std::u16string& entry : *FStringList) {
        text += entry;
        text += kLineBreak;
    }
    return text;
}

void TThreadStringList::SetText(std::u16string_view text) {
    std::vector<std::u16string> lines = SplitLines(text);
    const std::lock_guard guard(*FLock);
    *FStringList = std::move(lines);
}

void TThreadStringList::Lock() {
    FLock->lock();
}

void TThreadStringList::UnLock() {
    FLock->unlock();
}

}  // namespace capspect
