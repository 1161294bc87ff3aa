#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/Collections.h"
#include "framework/Exceptions.h"

namespace {

using capspect::EAssertionFailed;
using capspect::EListError;
using capspect::EOSError;
using capspect::Exception;
using capspect::TCollection;
using capspect::TCollectionItem;
using capspect::TCollectionNotification;

// An item that writes its name into a shared log when destroyed.
class NamedItem : public TCollectionItem {
public:
    NamedItem(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    ~NamedItem() override { log_.push_back(name_); }
    const std::string& Name() const { return name_; }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

TEST(Collection, OwnsItsTypedItems) {
    std::vector<std::string> destroyed;
    {
        TCollection<NamedItem> items;
        EXPECT_EQ(items.Count(), 0);
        NamedItem& first = items.Add("first", destroyed);
        items.Add("second", destroyed);
        EXPECT_EQ(items.Count(), 2);
        EXPECT_EQ(&items.Items(0), &first);
        EXPECT_EQ(items.Items(1).Name(), "second");

        items.Clear();
        EXPECT_EQ(items.Count(), 0);
        EXPECT_EQ(destroyed, (std::vector<std::string>{"second", "first"}));

        items.Add("third", destroyed);
    }
    EXPECT_EQ(destroyed.back(), "third");
}

TEST(Collection, RejectsIndexesOutsideTheItems) {
    std::vector<std::string> destroyed;
    TCollection<NamedItem> items;
    EXPECT_THROW(items.Items(0), EListError);
    items.Add("only", destroyed);
    EXPECT_THROW(items.Items(-1), EListError);
    try {
        items.Items(1);
        FAIL() << "no exception";
    } catch (const Exception& error) {
        EXPECT_NE(error.Message().find(u"(1)"), std::u16string::npos);
    }
}

// A collection that records its notifications and can be told to reject new items.
class ObservedItems : public TCollection<NamedItem> {
public:
    std::vector<std::string> events;
    bool rejectAdds = false;

protected:
    void Notify(NamedItem& item, int index, TCollectionNotification action) override {
        const bool added = action == TCollectionNotification::cnAdded;
        events.push_back((added ? "added " : "extracting ") + item.Name() + "@" +
                         std::to_string(index));
        if (added && rejectAdds) {
            throw EOSError(8);
        }
    }
    void Update() override { events.push_back("update"); }
};

TEST(Collection, NotifiesDerivedCollectionsOfEveryChange) {
    std::vector<std::string> destroyed;
    ObservedItems items;
    items.Add("a", destroyed);
    items.Add("b", destroyed);
    items.Add("c", destroyed);
    EXPECT_EQ(items.events, (std::vector<std::string>{"added a@0", "update", "added b@1", "update",
                                                      "added c@2", "update"}));

    items.events.clear();
    items.Move(0, 2);
    EXPECT_EQ(items.Items(0).Name(), "b");
    EXPECT_EQ(items.Items(2).Name(), "a");
    items.Move(2, 0);
    EXPECT_EQ(items.Items(0).Name(), "a");
    EXPECT_EQ(items.Items(1).Name(), "b");
    EXPECT_EQ(items.events, (std::vector<std::string>{"update", "update"}));

    items.events.clear();
    items.Delete(1);
    EXPECT_EQ(destroyed, std::vector<std::string>{"b"});
    EXPECT_EQ(items.Items(1).Name(), "c");
    EXPECT_THROW(items.Delete(2), EListError);

    items.Clear();
    EXPECT_EQ(items.events, (std::vector<std::string>{"extracting b@1", "update", "extracting c@1",
                                                      "extracting a@0", "update"}));
}

TEST(Collection, BatchesUpdatesAndUndoesARejectedAdd) {
    std::vector<std::string> destroyed;
    ObservedItems items;
    items.BeginUpdate();
    items.BeginUpdate();
    items.Add("a", destroyed);
    items.EndUpdate();
    items.Add("b", destroyed);
    items.EndUpdate();
    EXPECT_EQ(items.events, (std::vector<std::string>{"added a@0", "added b@1", "update"}));

    items.events.clear();
    items.rejectAdds = true;
    try {
        items.Add("c", destroyed);
        FAIL() << "no exception";
    } catch (const EOSError& error) {
        EXPECT_EQ(error.ErrorCode(), 8u);
        EXPECT_NE(error.Message().find(u"8"), std::u16string::npos);
    }
    EXPECT_EQ(items.Count(), 2);
    EXPECT_EQ(destroyed, std::vector<std::string>{"c"});
    EXPECT_EQ(items.events, std::vector<std::string>{"added c@2"});
}

TEST(Exception, CarriesTheMessageInBothEncodings) {
    const Exception error(u"Ergebnis übernehmen \U0001F600");
    EXPECT_EQ(error.Message(), u"Ergebnis übernehmen \U0001F600");
    EXPECT_STREQ(error.what(),
                 "Ergebnis \xC3\xBC"
                 "bernehmen \xF0\x9F\x98\x80");
}

TEST(Assert, RaisesTheAssertionKindWithMessageAndPlace) {
    EXPECT_NO_THROW(capspect::Assert(true, u"unused"));
    const unsigned line = __LINE__ + 2;
    try {
        capspect::Assert(false, u"Not yet implemented");
        FAIL() << "no exception";
    } catch (const EAssertionFailed& failure) {
        EXPECT_EQ(failure.Message(), u"Not yet implemented");
        EXPECT_EQ(failure.Line(), line);
        EXPECT_NE(std::string(failure.FileName()).find("framework_test.cpp"), std::string::npos);
    }
}

}  // namespace
