// The message loop on the manual clock: posting, sending, timers, sleeping and pumping.
#include "platform/loop/MessageLoop.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "platform/loop/MessageRegistry.h"
#include "platform/loop/Window.h"

namespace platform {
namespace {

using std::chrono::milliseconds;

struct Received {
    MessageId message;
    WPARAM wParam;
    LPARAM lParam;
    TimePoint at;
    bool operator==(const Received&) const = default;
};

// Records everything it receives, with the virtual time of arrival.
class RecordingWindow : public Window {
  public:
    explicit RecordingWindow(MessageLoop& loop) : Window(loop) {}
    LRESULT WindowProc(MessageId message, WPARAM wParam, LPARAM lParam) override {
        log.push_back({message, wParam, lParam, Loop().Now()});
        if (onMessage) {
            return onMessage(message, wParam, lParam);
        }
        return Window::WindowProc(message, wParam, lParam);
    }
    std::size_t TicksOf(TimerId id) const {
        std::size_t n = 0;
        for (const Received& r : log) {
            n += (r.message == WM_TIMER && r.wParam == id) ? 1 : 0;
        }
        return n;
    }
    std::vector<Received> log;
    std::function<LRESULT(MessageId, WPARAM, LPARAM)> onMessage;
};

class MessageLoopTest : public ::testing::Test {
  protected:
    ManualClock clock;
    MessageLoop loop{clock};
    const MessageId kPing = RegisterWindowMessage("LoopTestPing");
};

TEST_F(MessageLoopTest, PostsArriveInOrderOnlyWhenTheLoopRuns) {
    RecordingWindow a(loop);
    RecordingWindow b(loop);
    EXPECT_TRUE(PostMessage(a.Handle(), kPing, 1, 10));
    EXPECT_TRUE(PostMessage(b.Handle(), kPing, 2, 20));
    EXPECT_TRUE(PostMessage(a.Handle(), kPing, 3, 30));
    EXPECT_TRUE(a.log.empty());
    EXPECT_EQ(3u, loop.ProcessReady());
    ASSERT_EQ(2u, a.log.size());
    EXPECT_EQ(1u, a.log[0].wParam);
    EXPECT_EQ(3u, a.log[1].wParam);
    EXPECT_EQ(30, a.log[1].lParam);
    ASSERT_EQ(1u, b.log.size());
}

TEST_F(MessageLoopTest, PostToAGoneWindowIsAQuietNoOpAndHandlesAreNotReused) {
    auto doomed = std::make_unique<RecordingWindow>(loop);
    const WindowHandle old = doomed->Handle();
    EXPECT_TRUE(PostMessage(old, kPing, 0, 0));
    doomed.reset();
    EXPECT_EQ(0u, loop.ProcessReady());  // the message posted before the destruction is dropped
    EXPECT_FALSE(PostMessage(old, kPing, 0, 0));
    EXPECT_EQ(0, SendMessage(old, kPing, 0, 0));
    EXPECT_FALSE(IsWindow(old));
    RecordingWindow next(loop);
    EXPECT_NE(old, next.Handle());
    EXPECT_NE(kNoWindow, next.Handle());
}

TEST_F(MessageLoopTest, SendIsSynchronousAndReentrant) {
    RecordingWindow outer(loop);
    RecordingWindow inner(loop);
    inner.onMessage = [&](MessageId, WPARAM w, LPARAM) -> LRESULT {
        // The inner handler sends back to the outer window while the outer send is running.
        return w < 3 ? SendMessage(outer.Handle(), kPing, w + 1, 0) + 1 : 100;
    };
    outer.onMessage = [&](MessageId, WPARAM w, LPARAM) -> LRESULT {
        return SendMessage(inner.Handle(), kPing, w, 0);
    };
    EXPECT_EQ(103, SendMessage(outer.Handle(), kPing, 0, 0));
    EXPECT_EQ(4u, outer.log.size());
    EXPECT_EQ(4u, inner.log.size());
    EXPECT_EQ(0u, loop.ProcessReady());
}

TEST_F(MessageLoopTest, MessagesPostedWhileRunningAreDeliveredInTheSameRound) {
    RecordingWindow w(loop);
    w.onMessage = [&](MessageId m, WPARAM wp, LPARAM) -> LRESULT {
        if (m == kPing && wp == 1) {
            PostMessage(w.Handle(), kPing, 2, 0);
        }
        return 0;
    };
    PostMessage(w.Handle(), kPing, 1, 0);
    EXPECT_EQ(2u, loop.ProcessReady());
}

TEST_F(MessageLoopTest, TimerTicksAtEveryPeriodOnTheManualClock) {
    RecordingWindow w(loop);
    w.SetTimer(1, milliseconds(1000));
    loop.AdvanceBy(milliseconds(999));
    EXPECT_EQ(0u, w.TicksOf(1));
    loop.AdvanceBy(milliseconds(1));
    EXPECT_EQ(1u, w.TicksOf(1));
    loop.AdvanceBy(milliseconds(20000));
    ASSERT_EQ(21u, w.TicksOf(1));
    for (std::size_t i = 0; i < w.log.size(); ++i) {
        EXPECT_EQ(milliseconds(1000 * (i + 1)), w.log[i].at);
    }
}

TEST_F(MessageLoopTest, SettingARunningTimerRestartsItsPeriod) {
    RecordingWindow w(loop);
    w.SetTimer(7, milliseconds(100));
    loop.AdvanceBy(milliseconds(90));
    w.SetTimer(7, milliseconds(100));
    loop.AdvanceBy(milliseconds(90));
    EXPECT_EQ(0u, w.TicksOf(7));
    loop.AdvanceBy(milliseconds(10));
    EXPECT_EQ(1u, w.TicksOf(7));
}

TEST_F(MessageLoopTest, ATickOverdueSeveralTimesIsDeliveredOnce) {
    RecordingWindow w(loop);
    w.SetTimer(3, milliseconds(100));
    loop.Sleep(milliseconds(350));  // the loop is blocked: ticks fall due without delivery
    EXPECT_EQ(0u, w.TicksOf(3));
    loop.ProcessReady();
    EXPECT_EQ(1u, w.TicksOf(3));
    loop.ProcessReady();
    EXPECT_EQ(1u, w.TicksOf(3));
    loop.AdvanceBy(milliseconds(100));
    EXPECT_EQ(2u, w.TicksOf(3));
}

TEST_F(MessageLoopTest, KillingATimerDropsItsDueTick) {
    RecordingWindow w(loop);
    w.SetTimer(5, milliseconds(100));
    // The tick is due, but a posted message that goes first kills the timer.
    w.onMessage = [&](MessageId m, WPARAM, LPARAM) -> LRESULT {
        if (m == kPing) {
            EXPECT_TRUE(w.KillTimer(5));
        }
        return 0;
    };
    clock.Advance(milliseconds(150));
    PostMessage(w.Handle(), kPing, 0, 0);
    loop.ProcessReady();
    loop.AdvanceBy(milliseconds(1000));
    EXPECT_EQ(0u, w.TicksOf(5));
    EXPECT_FALSE(w.KillTimer(5));
}

TEST_F(MessageLoopTest, TimersArePerWindowAndDieWithTheWindow) {
    RecordingWindow a(loop);
    auto b = std::make_unique<RecordingWindow>(loop);
    a.SetTimer(1, milliseconds(100));
    b->SetTimer(1, milliseconds(100));
    loop.AdvanceBy(milliseconds(100));
    EXPECT_EQ(1u, a.TicksOf(1));
    EXPECT_EQ(1u, b->TicksOf(1));
    b.reset();
    loop.AdvanceBy(milliseconds(100));
    EXPECT_EQ(2u, a.TicksOf(1));
    EXPECT_FALSE(loop.TimeUntilNextTimer() == std::nullopt);
}

TEST_F(MessageLoopTest, PostedMessagesGoBeforeTimerTicks) {
    RecordingWindow w(loop);
    w.SetTimer(1, milliseconds(10));
    clock.Advance(milliseconds(10));
    PostMessage(w.Handle(), kPing, 0, 0);
    loop.ProcessReady();
    ASSERT_EQ(2u, w.log.size());
    EXPECT_EQ(kPing, w.log[0].message);
    EXPECT_EQ(WM_TIMER, w.log[1].message);
}

TEST_F(MessageLoopTest, SleepMovesTheClockAndRunsNothing) {
    RecordingWindow w(loop);
    w.SetTimer(1, milliseconds(10));
    PostMessage(w.Handle(), kPing, 0, 0);
    loop.Sleep(milliseconds(50));
    EXPECT_EQ(milliseconds(50), loop.Now());
    EXPECT_TRUE(w.log.empty());
}

TEST_F(MessageLoopTest, PumpedFromOutsideThroughTheWakeFdAndTheNextDeadline) {
    RecordingWindow w(loop);
    EXPECT_EQ(std::nullopt, loop.TimeUntilNextTimer());
    w.SetTimer(2, milliseconds(250));
    EXPECT_EQ(milliseconds(250), loop.TimeUntilNextTimer());
    clock.Advance(milliseconds(100));
    EXPECT_EQ(milliseconds(150), loop.TimeUntilNextTimer());

    pollfd fd{loop.WakeFd(), POLLIN, 0};
    EXPECT_EQ(0, poll(&fd, 1, 0));
    PostMessage(w.Handle(), kPing, 0, 0);
    EXPECT_EQ(1, poll(&fd, 1, 0));
    loop.ProcessReady();
    EXPECT_EQ(0, poll(&fd, 1, 0));  // drained
    EXPECT_EQ(1u, w.log.size());
}

TEST_F(MessageLoopTest, AWatchedDescriptorIsServedOnTheLoopUntilUnwatched) {
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    int served = 0;
    MessageLoop::WatchId id = loop.Watch(fds[0], [&] {
        char c;
        ASSERT_EQ(1, read(fds[0], &c, 1));
        ++served;
    });
    EXPECT_FALSE(loop.WaitForPost(milliseconds(0)));
    ASSERT_EQ(1, write(fds[1], "x", 1));
    EXPECT_TRUE(loop.WaitForPost(milliseconds(1000)));
    EXPECT_EQ(0, served);  // only the loop serves it
    loop.ProcessReady();
    EXPECT_EQ(1, served);
    loop.ProcessReady();
    EXPECT_EQ(1, served);  // drained by the handler: nothing more to serve

    loop.Unwatch(id);
    ASSERT_EQ(1, write(fds[1], "y", 1));
    loop.ProcessReady();
    EXPECT_EQ(1, served);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(MessageLoopTest, CloseDestroysTheWindowByDefault) {
    RecordingWindow w(loop);
    const WindowHandle h = w.Handle();
    SendMessage(h, WM_CLOSE, 0, 0);
    EXPECT_FALSE(w.IsAlive());
    EXPECT_FALSE(IsWindow(h));
}

TEST_F(MessageLoopTest, ANewWindowJoinsTheThreadsCurrentLoop) {
    EXPECT_EQ(&loop, MessageLoop::Current());
    RecordingWindow w(loop);
    Window joined;
    EXPECT_EQ(&loop, &joined.Loop());
}

TEST(MessageLoopThreads, AThreadPostingWhileTheLoopRunsLosesNothingAndKeepsOrder) {
    MessageLoop loop;  // the real clock
    const MessageId ping = RegisterWindowMessage("LoopTestThreadPing");
    const MessageId done = RegisterWindowMessage("LoopTestThreadDone");
    constexpr int kCount = 5000;
    std::vector<WPARAM> seen;
    RecordingWindow w(loop);
    w.onMessage = [&](MessageId m, WPARAM wp, LPARAM) -> LRESULT {
        if (m == ping) {
            seen.push_back(wp);
        } else if (m == done) {
            loop.Quit(7);
        }
        return 0;
    };
    std::thread poster([&] {
        for (int i = 0; i < kCount; ++i) {
            while (!PostMessage(w.Handle(), ping, static_cast<WPARAM>(i), 0)) {
                std::this_thread::yield();  // the queue is full: wait for the loop
            }
        }
        PostMessage(w.Handle(), done, 0, 0);
    });
    EXPECT_EQ(7, loop.Run());
    poster.join();
    ASSERT_EQ(static_cast<std::size_t>(kCount), seen.size());
    for (int i = 0; i < kCount; ++i) {
        ASSERT_EQ(static_cast<WPARAM>(i), seen[i]);
    }
}

TEST(MessageLoopThreads, AFullQueueRefusesAndCountsThePost) {
    ManualClock clock;
    MessageLoop loop(clock);
    RecordingWindow w(loop);
    const MessageId ping = RegisterWindowMessage("LoopTestFull");
    for (std::size_t i = 0; i < MessageLoop::kMaxPosted; ++i) {
        ASSERT_TRUE(PostMessage(w.Handle(), ping, i, 0));
    }
    EXPECT_FALSE(PostMessage(w.Handle(), ping, 0, 0));
    EXPECT_EQ(1u, loop.DroppedPosts());
    EXPECT_EQ(MessageLoop::kMaxPosted, loop.ProcessReady());
}

TEST(MessageLoopThreads, RealTimersFireWhileRunStandalone) {
    MessageLoop loop;
    RecordingWindow w(loop);
    w.onMessage = [&](MessageId m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_TIMER && w.TicksOf(1) == 3) {
            loop.Quit(0);
        }
        return 0;
    };
    w.SetTimer(1, milliseconds(10));
    EXPECT_EQ(0, loop.Run());
    EXPECT_EQ(3u, w.TicksOf(1));
}

}  // namespace
}  // namespace platform
