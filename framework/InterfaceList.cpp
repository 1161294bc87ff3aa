#include "framework/InterfaceList.h"

#include <string>

#include "framework/Exceptions.h"
#include "platform/support/comptr.h"

namespace capspect {

int TInterfaceList::Add(const ComPtr<IUnknown>& item) {
    const std::lock_guard lock(FLock);
    FItems.push_back(item);
    return static_cast<int>(FItems.size()) - 1;
}

ComPtr<IUnknown> TInterfaceList::Get(int index) const {
    const std::lock_guard lock(FLock);
    return FItems[CheckedIndex(index)];
}

void TInterfaceList::Delete(int index) {
    ComPtr<IUnknown> removed;
    {
        const std::lock_guard lock(FLock);
        const std::size_t position = CheckedIndex(index);
        removed = std::move(FItems[position]);
        FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(position));
    }
    // Released outside the lock: the object's destruction may call back into the list.
}

void TInterfaceList::Clear() {
    std::vector<ComPtr<IUnknown>> removed;
    {
        const std::lock_guard lock(FLock);
        removed.swap(FItems);
    }
}

int TInterfaceList::Count() const {
    const std::lock_guard lock(FLock);
    return static_cast<int>(FItems.size());
}

std::unique_lock<std::recursive_mutex> TInterfaceList::Lock() const {
    return std::unique_lock(FLock);
}

std::size_t TInterfaceList::CheckedIndex(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= FItems.size()) {
        const std::string digits = std::to_string(index);
        throw EListError(u"List index out of bounds (" +
                         std::u16string(digits.begin(), digits.end()) + u")");
    }
    return static_cast<std::size_t>(index);
}

}  // namespace capspect
