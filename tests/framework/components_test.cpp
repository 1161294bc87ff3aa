// Component ownership, free notification, timers and the plain window control.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "framework/Components.h"
#include "framework/Controls.h"
#include "framework/Timers.h"
#include "platform/linux/clock.h"
#include "platform/linux/messages.h"
#include "platform/sdk/clock.h"
#include "platform/sdk/messages.h"

namespace {

using namespace std::chrono_literals;
using capspect::TComponent;
using capspect::TOperation;

using Log = std::vector<std::string>;

// The names of the watchers, by address, so that a notification about a component that is
// being destroyed can be logged without touching it.
std::map<const TComponent*, std::string>& Names() {
    static std::map<const TComponent*, std::string> names;
    return names;
}

// A component that logs its destruction and the notifications it hears.
class Watcher : public TComponent {
public:
    Watcher(std::string name, Log& log) : name_(std::move(name)), log_(log) {
        Names()[this] = name_;
    }
    ~Watcher() override {
        log_.push_back("destroy " + name_);
        Names().erase(this);
    }

    TComponent* watched = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override {
        const auto other = Names().find(component);
        const std::string otherName = other != Names().end() ? other->second : "?";
        log_.push_back(name_ + (operation == TOperation::opInsert ? " inserted " : " removed ") +
                       otherName);
        if (component == watched && operation == TOperation::opRemove) {
            watched = nullptr;
        }
        TComponent::Notification(component, operation);
    }

private:
    std::string name_;
    Log& log_;
};

TEST(TComponent, OwnerDestroysItsComponentsLastFirst) {
    Log log;
    auto owner = std::make_unique<Watcher>("owner", log);
    Watcher& first = TComponent::CreateOwned<Watcher>(*owner, "first", log);
    TComponent::CreateOwned<Watcher>(*owner, "second", log);
    EXPECT_EQ(first.Owner(), owner.get());
    EXPECT_EQ(owner->ComponentCount(), 2);
    log.clear();
    owner.reset();
    EXPECT_EQ(log, (Log{"destroy owner", "destroy second", "destroy first"}));
}

TEST(TComponent, OwnerHearsOfComponentsJoiningAndLeaving) {
    Log log;
    Watcher owner("owner", log);
    Watcher& child = TComponent::CreateOwned<Watcher>(owner, "child", log);
    owner.DestroyComponent(child);
    EXPECT_EQ(log, (Log{"owner inserted child", "destroy child", "owner removed ?"}));
    EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(TComponent, ConstructorThatThrowsLeavesTheOwnerUnchanged) {
    struct Failing : TComponent {
        Failing() { throw std::runtime_error("refused"); }
    };
    TComponent owner;
    EXPECT_THROW(TComponent::CreateOwned<Failing>(owner), std::runtime_error);
    EXPECT_EQ(owner.ComponentCount(), 0);
}

TEST(TComponent, FreeNotificationTellsTheWatcherAndClearsItsPointer) {
    Log log;
    Watcher watcher("watcher", log);
    auto window = std::make_unique<Watcher>("window", log);
    window->FreeNotification(&watcher);
    window->FreeNotification(&watcher);  // pairing twice is pairing once
    watcher.watched = window.get();
    window.reset();
    EXPECT_EQ(watcher.watched, nullptr);
    EXPECT_EQ(log, (Log{"destroy window", "watcher removed ?"}));
}

TEST(TComponent, PairingWorksBothWaysAndEndsBothWays) {
    Log log;
    auto a = std::make_unique<Watcher>("a", log);
    auto b = std::make_unique<Watcher>("b", log);
    a->FreeNotification(b.get());
    b.reset();  // a hears of b, and b's entry leaves a's list
    a->RemoveFreeNotification(nullptr);
    auto c = std::make_unique<Watcher>("c", log);
    a->FreeNotification(c.get());
    a->RemoveFreeNotification(c.get());
    c.reset();
    a.reset();
    EXPECT_EQ(log, (Log{"destroy b", "a removed ?", "destroy c", "destroy a"}));
}

TEST(TTimer, FiresEveryIntervalWhileEnabledAndAssigned) {
    capspect::TestClock clock;
    capspect::TTimer timer;
    int ticks = 0;
    timer.SetInterval(200);
    timer.SetOnTimer([&](TComponent& sender) {
        EXPECT_EQ(&sender, &timer);
        ++ticks;
    });
    clock.Advance(200ms);
    capspect::ProcessPostedMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(false);
    clock.Advance(400ms);
    capspect::ProcessPostedMessages();
    EXPECT_EQ(ticks, 1);
    timer.SetEnabled(true);
    timer.SetOnTimer({});
    clock.Advance(400ms);
    capspect::ProcessPostedMessages();
    EXPECT_EQ(ticks, 1);
}

TEST(TTimer, DestroyedTimerNoLongerTicks) {
    capspect::TestClock clock;
    int ticks = 0;
    {
        capspect::TTimer timer;
        timer.SetOnTimer([&](TComponent&) { ++ticks; });
    }
    clock.Advance(2000ms);
    EXPECT_EQ(capspect::ProcessPostedMessages(), 0U);
    EXPECT_EQ(ticks, 0);
}

TEST(TPlainWinControl, HasAWindowAClientAreaAndACursor) {
    capspect::TPlainWinControl control(400, 300);
    EXPECT_TRUE(IsWindow(control.Handle()));
    EXPECT_EQ(control.ClientRect(), (RECT{0, 0, 400, 300}));
    EXPECT_EQ(control.Cursor(), capspect::crDefault);
    control.SetCursor(capspect::crNone);
    EXPECT_EQ(control.Cursor(), capspect::crNone);
}

}  // namespace
