#include "framework/Components.h"

#include <algorithm>
#include <string>

#include "framework/Exceptions.h"

namespace capspect {

TComponent::~TComponent() {
    while (!FFreeNotifies.empty()) {
        TComponent* partner = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        partner->ForgetPartner(this);
        partner->Notification(this, TOperation::opRemove);
    }
    while (!FComponents.empty()) {
        // Out of the list before it is destroyed, so that it cannot be reached twice.
        std::unique_ptr<TComponent> last = std::move(FComponents.back());
        FComponents.pop_back();
        last.reset();
    }
    if (FOwner != nullptr) {
        // The owner has already taken this component out of its list (DestroyComponent or
        // its own destruction), so it only hears that the component is gone.
        FOwner->Notification(this, TOperation::opRemove);
    }
}

TComponent& TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) {
        const std::string digits = std::to_string(index);
        throw EListError(u"List index out of bounds (" +
                         std::u16string(digits.begin(), digits.end()) + u")");
    }
    return *FComponents[static_cast<std::size_t>(index)];
}

void TComponent::DestroyComponent(TComponent& component) {
    std::unique_ptr<TComponent> owned = ExtractComponent(&component);
    owned.reset();
}

void TComponent::FreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr || AComponent == this ||
        std::ranges::find(FFreeNotifies, AComponent) != FFreeNotifies.end()) {
        return;
    }
    FFreeNotifies.push_back(AComponent);
    AComponent->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
    if (AComponent == nullptr) {
        return;
    }
    ForgetPartner(AComponent);
    AComponent->ForgetPartner(this);
}

void TComponent::Notification(TComponent* /*AComponent*/, TOperation /*Operation*/) {}

void TComponent::InsertComponent(std::unique_ptr<TComponent> component) {
    TComponent& inserted = *component;
    inserted.FOwner = this;
    FComponents.push_back(std::move(component));
    Notification(&inserted, TOperation::opInsert);
}

std::unique_ptr<TComponent> TComponent::ExtractComponent(const TComponent* component) {
    const auto found = std::ranges::find_if(
        FComponents, [component](const auto& owned) { return owned.get() == component; });
    if (found == FComponents.end()) {
        return nullptr;
    }
    std::unique_ptr<TComponent> extracted = std::move(*found);
    FComponents.erase(found);
    return extracted;
}

void TComponent::ForgetPartner(const TComponent* partner) {
    std::erase(FFreeNotifies, partner);
}

}  // namespace capspect
