// Components: objects with an owner that destroys them, and free notification, through
// which a component that keeps a pointer to another learns when that other one goes.
#pragma once

#include <concepts>
#include <memory>
#include <utility>
#include <vector>

namespace capspect {

enum class TOperation {
    opInsert,
    opRemove,
};

class TComponent {
public:
    // A component without owner; its creator holds it (std::unique_ptr). CreateOwned
    // makes components that an owner holds.
    TComponent() = default;
    // Tells every free-notification partner and the owner that the component goes, then
    // destroys the components it owns, last first.
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    // Makes a component that `owner` owns: the owner destroys it when it goes itself (or
    // through DestroyComponent). A constructor that throws leaves nothing behind.
    template <std::derived_from<TComponent> T, typename... Args>
    static T& CreateOwned(TComponent& owner, Args&&... args) {
        auto component = std::make_unique<T>(std::forward<Args>(args)...);
        T& created = *component;
        owner.InsertComponent(std::move(component));
        return created;
    }

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent& Components(int index) const;

    // Destroys a component this one owns before this one goes; does nothing for a
    // component it does not own.
    void DestroyComponent(TComponent& component);

    // Pairs this component with `AComponent` so that each hears (through Notification
    // with opRemove) when the other is destroyed. Pairing twice is pairing once; null
    // and the component itself are ignored.
    void FreeNotification(TComponent* AComponent);
    // Ends the pairing in both directions.
    void RemoveFreeNotification(TComponent* AComponent);

protected:
    // Hears of owned components joining and leaving, and of free-notification partners
    // being destroyed. A component that keeps a pointer to AComponent clears it here.
    virtual void Notification(TComponent* AComponent, TOperation Operation);

private:
    void InsertComponent(std::unique_ptr<TComponent> component);
    // Takes a component out of the owned list; null when it is not owned here.
    std::unique_ptr<TComponent> ExtractComponent(const TComponent* component);
    void ForgetPartner(const TComponent* partner);

    TComponent* FOwner = nullptr;
    std::vector<std::unique_ptr<TComponent>> FComponents;
    // Not owned: each pairing is listed on both sides and removed from both when either
    // side goes, so no entry outlives its component.
    std::vector<TComponent*> FFreeNotifies;
};

}  // namespace capspect
