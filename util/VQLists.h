// A list of UTF-16 strings shared between threads.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace capspect {

// Every operation takes the list's lock. The lock is re-entrant, so a thread that holds it
// through Lock() may go on calling the list's operations. Destroying the list while another
// thread uses it is not supported.
class TThreadStringList {
public:
    TThreadStringList();
    ~TThreadStringList();
    TThreadStringList(const TThreadStringList&) = delete;
    TThreadStringList& operator=(const TThreadStringList&) = delete;

    void Add(std::u16string_view s);
    void Clear();
    int Count() const;

    // All entries, each followed by CR LF; an independent copy.
    std::u16string Text() const;
    // Replaces the entries by the lines of `text`. CR LF, a lone CR and a lone LF each end
    // a line; a line break at the very end does not start another entry.
    void SetText(std::u16string_view text);

    // Holds the lock across several operations. Each Lock needs one UnLock from the same
    // thread.
    void Lock();
    void UnLock();

private:
    using StringList = std::vector<std::u16string>;

    std::unique_ptr<StringList> FStringList;
    std::unique_ptr<std::recursive_mutex> FLock;
};

}  // namespace capspect
