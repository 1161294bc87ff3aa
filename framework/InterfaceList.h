// TInterfaceList: a list of counted interface references behind a lock, so that several
// threads may add, read and clear it.
#pragma once

#include <mutex>
#include <vector>

#include "platform/support/comptr.h"

namespace capspect {

class TInterfaceList {
public:
    TInterfaceList() = default;
    virtual ~TInterfaceList() = default;
    TInterfaceList(const TInterfaceList&) = delete;
    TInterfaceList& operator=(const TInterfaceList&) = delete;

    // Appends a reference (the list takes its own) and answers its index.
    int Add(const ComPtr<IUnknown>& item);
    // The reference at `index`; raises EListError outside 0 .. Count() - 1.
    ComPtr<IUnknown> Get(int index) const;
    // Removes the reference at `index`; raises EListError outside 0 .. Count() - 1.
    void Delete(int index);
    void Clear();
    int Count() const;

    // Holds the list's lock across several calls, for a consistent view of the list.
    [[nodiscard]] std::unique_lock<std::recursive_mutex> Lock() const;

private:
    std::size_t CheckedIndex(int index) const;

    mutable std::recursive_mutex FLock;
    std::vector<ComPtr<IUnknown>> FItems;
};

}  // namespace capspect
