#include "util/VQLists.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

using capspect::TThreadStringList;

// The entries of a Text value, checking that each ends with CR LF.
std::vector<std::u16string> EntriesOf(std::u16string_view text) {
    std::vector<std::u16string> entries;
    while (!text.empty()) {
        const std::size_t end = text.find(u"\r\n");
        if (end == std::u16string_view::npos) {
            ADD_FAILURE() << "entry without CR LF";
            break;
        }
        entries.emplace_back(text.substr(0, end));
        text.remove_prefix(end + 2);
    }
    return entries;
}

std::u16string Entry(int writer, int n) {
    const std::string text = std::to_string(writer) + ":" + std::to_string(n);
    return std::u16string(text.begin(), text.end());
}

TEST(ThreadStringList, KeepsEntriesInOrderWithDuplicates) {
    TThreadStringList list;
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), u"");
    list.Add(u"a");
    list.Add(u"b");
    list.Add(u"a");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Text(), u"a\r\nb\r\na\r\n");
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Text(), u"");
}

TEST(ThreadStringList, SplitsWrittenTextAtEveryKindOfLineBreak) {
    TThreadStringList list;
    list.Add(u"old");
    list.SetText(u"one\r\ntwo\nthree\rfour");
    EXPECT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Text(), u"one\r\ntwo\r\nthree\r\nfour\r\n");

    list.SetText(u"a\r\n\r\nb\r\n");
    EXPECT_EQ(list.Text(), u"a\r\n\r\nb\r\n");  // the empty line stays, the final break adds none

    list.SetText(u"");
    EXPECT_EQ(list.Count(), 0);
}

TEST(ThreadStringList, LockIsReentrantAndFullyReleased) {
    TThreadStringList list;
    list.Lock();
    list.Lock();
    list.Add(u"inside");  // the list's own operations take the lock again
    EXPECT_EQ(list.Count(), 1);
    list.UnLock();
    list.UnLock();

    std::thread other([&list] { list.Add(u"other"); });
    other.join();
    EXPECT_EQ(list.Text(), u"inside\r\nother\r\n");
}

TEST(ThreadStringList, TextIsACopyThatLaterAddsDoNotChange) {
    TThreadStringList list;
    list.Add(u"first");
    std::u16string seen;
    std::thread reader([&] { seen = list.Text(); });
    reader.join();
    std::thread writer([&] {
        for (int i = 0; i < 100; ++i) {
            list.Add(u"more");
        }
    });
    writer.join();
    EXPECT_EQ(seen, u"first\r\n");
    EXPECT_EQ(list.Count(), 101);
}

TEST(ThreadStringList, ConcurrentWritersLoseNothingAndReadersSeeWholeEntries) {
    constexpr int kWriters = 4;
    constexpr int kPerWriter = 2000;
    TThreadStringList list;
    std::vector<std::thread> threads;
    for (int w = 0; w < kWriters; ++w) {
        threads.emplace_back([&list, w] {
            for (int n = 0; n < kPerWriter; ++n) {
                list.Add(Entry(w, n));
            }
        });
    }
    for (int r = 0; r < 2; ++r) {
        threads.emplace_back([&list] {
            for (int i = 0; i < 50; ++i) {
                // A snapshot holds, per writer, a gap-free run from that writer's first entry.
                std::vector<int> next(kWriters, 0);
                for (const std::u16string& entry : EntriesOf(list.Text())) {
                    const int writer = entry[0] - u'0';
                    ASSERT_TRUE(writer >= 0 && writer < kWriters);
                    ASSERT_EQ(entry, Entry(writer, next[writer]));
                    ++next[writer];
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(list.Count(), kWriters * kPerWriter);
}

TEST(ThreadStringList, LockMakesSeveralOperationsOneStep) {
    TThreadStringList list;
    list.SetText(u"x\r\ny");
    std::thread writer([&list] {
        for (int i = 0; i < 2000; ++i) {
            list.Lock();
            list.Clear();
            list.Add(u"x");
            list.Add(u"y");
            list.UnLock();
        }
    });
    std::thread reader([&list] {
        for (int i = 0; i < 2000; ++i) {
            ASSERT_EQ(list.Text(), u"x\r\ny\r\n");
        }
    });
    writer.join();
    reader.join();
}

TEST(ThreadStringList, EveryOperationMayRunAlongsideEveryOther) {
    // Writers add, replace and clear; readers take Count and Text together under the
    // lock and must find them in agreement. Under ThreadSanitizer this also shows that
    // no operation touches the list outside the lock.
    TThreadStringList list;
    std::vector<std::thread> threads;
    for (int w = 0; w < 2; ++w) {
        threads.emplace_back([&list, w] {
            for (int n = 0; n < 1000; ++n) {
                list.Add(Entry(w, n));
            }
        });
    }
    threads.emplace_back([&list] {
        for (int n = 0; n < 200; ++n) {
            list.SetText(u"a\r\nb\nc");
            list.Clear();
        }
    });
    for (int r = 0; r < 2; ++r) {
        threads.emplace_back([&list] {
            for (int i = 0; i < 300; ++i) {
                list.Lock();
                const int count = list.Count();
                const std::u16string text = list.Text();
                list.UnLock();
                ASSERT_EQ(EntriesOf(text).size(), static_cast<std::size_t>(count));
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(EntriesOf(list.Text()).size(), static_cast<std::size_t>(list.Count()));
}

}  // namespace
