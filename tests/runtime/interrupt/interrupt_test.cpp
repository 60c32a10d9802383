#include <deque>

#include <gtest/gtest.h>

#include "runtime/interrupt/interrupt.h"
#include "tests/support/recording_reports.h"
#include "tests/support/test_support.h"

namespace vrn {
namespace {

// A window toolkit whose queue holds events; handling one may raise an
// interrupt.
enum class Event { Nothing, HardInterrupt, SoftInterrupt };
std::deque<Event> g_queue;
int g_peeks = 0;
void* g_peekedWindow = nullptr;

int32_t PeekEvent(void* window, ToolkitEvent*) {
    ++g_peeks;
    g_peekedWindow = window;
    if (g_queue.empty()) return 0;
    Event e = g_queue.front();
    g_queue.pop_front();
    if (e == Event::HardInterrupt) utsctlc();
    if (e == Event::SoftInterrupt) utssoftctlc();
    return 1;
}

int g_checks = 0;
uintptr_t g_checkedContext = 0;
void SoftStopChecker(uintptr_t context) {
    ++g_checks;
    g_checkedContext = context;
    utssoftctlc();
}

class Interrupts : public test::TempDrives {
protected:
    test::RecordingReports reports;
    void SetUp() override {
        TempDrives::SetUp();
        Reset();
    }
    void TearDown() override {
        Reset();
        TempDrives::TearDown();
    }
    static void Reset() {
        _intflag = 0;
        _intstats = 0;
        _disableCount = 0;
        _pollCount = 0;
        _s_rtn_check = nullptr;
        _s_prtn_context = 0;
        _xrejflag = 0;
        _argstats = 0;
        _argwsys = 0;
        _pddbgflg = 0;
        _pumctl = nullptr;
        _wi_active_toolkit = nullptr;
        g_queue.clear();
        g_peeks = 0;
        g_peekedWindow = nullptr;
        g_checks = 0;
        g_checkedContext = 0;
    }
};

TEST_F(Interrupts, SuspensionNestsAndHidesHardInterrupts) {
    utsuspendctlc();
    utsuspendctlc();
    utsctlc();
    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(utqsoftctlc(), 0);
    EXPECT_EQ(utpctlc(), INT_HARD);   // a peek ignores suspension
    utenablectlc();
    EXPECT_EQ(utqctlc(), 0);
    utenablectlc();
    EXPECT_EQ(utqctlc(), INT_HARD);
    // The query does not consume the interrupt.
    EXPECT_EQ(utqctlc(), INT_HARD);
}

TEST_F(Interrupts, SoftAndHardBits) {
    EXPECT_EQ(utssoftctlc(), 0);
    EXPECT_EQ(utqctlc(), INT_SOFT);
    EXPECT_EQ(utqsoftctlc(), INT_SOFT);
    utuctlc();
    utsctlc();
    EXPECT_EQ(utqsoftctlc(), 0);   // a hard interrupt hides the soft query
    utssoftctlc();
    EXPECT_EQ(utqsoftctlc(), 0);
    EXPECT_EQ(utqctlc(), INT_HARD | INT_SOFT);
    _intflag |= 0x0100;   // some other bit
    utectlc();
    EXPECT_EQ(_intflag, INT_HARD);
    EXPECT_EQ(utqctlc(), INT_HARD);
    utuctlc();
    EXPECT_EQ(_intflag, 0);
    EXPECT_TRUE(reports.codes.empty());
}

TEST_F(Interrupts, StatisticsModeServesRequestOnce) {
    _argstats = ARG_STATS_MODE;
    EXPECT_EQ(utRealsoftctlc(), 0);
    EXPECT_EQ(_intflag, 0);
    EXPECT_EQ(_intstats & INT_STATS_REQUEST, INT_STATS_REQUEST);
    EXPECT_EQ(utqctlc(), 0);
    // The statistics printer is not supported here: it reports message 9000.
    EXPECT_EQ(reports.codes, std::vector<int32_t>{NOT_IMPLEMENTED_MESSAGE});
    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(reports.codes.size(), 1u);

    // Served by the soft query too; a pending interrupt is not reported then.
    utssoftctlc();
    utRealsoftctlc();
    EXPECT_EQ(utqsoftctlc(), 0);
    EXPECT_EQ(reports.codes.size(), 2u);
    EXPECT_EQ(utqsoftctlc(), INT_SOFT);
    // utuctlc drops a pending request.
    utRealsoftctlc();
    utuctlc();
    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(reports.codes.size(), 2u);

    // Out of statistics mode the same call is a soft interrupt.
    _argstats = 0;
    utRealsoftctlc();
    EXPECT_EQ(_intstats, 0);
    EXPECT_EQ(utqctlc(), INT_SOFT);
}

TEST_F(Interrupts, StopCheckerRaisesInterrupt) {
    utregstopchecker(SoftStopChecker, 42);
    EXPECT_EQ(utqctlc(), INT_SOFT);
    EXPECT_EQ(g_checks, 1);
    EXPECT_EQ(g_checkedContext, 42u);
    utuctlc();
    EXPECT_EQ(utpctlc(), INT_SOFT);
    EXPECT_EQ(g_checks, 2);
    // A peek with an interrupt already pending does not call the checker.
    EXPECT_EQ(utpctlc(), INT_SOFT);
    EXPECT_EQ(g_checks, 2);
    // Suspended, the checker is not asked.
    utuctlc();
    utsuspendctlc();
    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(g_checks, 2);
    utenablectlc();
    utregstopchecker(nullptr, 0);
    utuctlc();
    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(g_checks, 2);
}

TEST_F(Interrupts, EventQueueDrainedOnEverySecondQuery) {
    int window = 0;
    ToolkitControl control{&window};
    WindowToolkit toolkit{PeekEvent};
    _pumctl = &control;
    _wi_active_toolkit = &toolkit;
    _argwsys = 1;
    g_queue = {Event::Nothing, Event::HardInterrupt, Event::Nothing};

    EXPECT_EQ(utqctlc(), 0);
    EXPECT_EQ(g_peeks, 0);
    EXPECT_EQ(utqctlc(), INT_HARD);
    EXPECT_EQ(g_peeks, 4);   // three events, then the empty queue
    EXPECT_EQ(g_peekedWindow, &window);
    EXPECT_TRUE(g_queue.empty());
    EXPECT_EQ(_pollCount, 0);

    // The soft query drains at once, and the peek whenever nothing is pending.
    utuctlc();
    g_queue = {Event::SoftInterrupt};
    EXPECT_EQ(utqsoftctlc(), INT_SOFT);
    utuctlc();
    g_queue = {Event::HardInterrupt};
    EXPECT_EQ(utpctlc(), INT_HARD);
    int peeks = g_peeks;
    EXPECT_EQ(utpctlc(), INT_HARD);
    EXPECT_EQ(g_peeks, peeks);

    // Without a window in the control record nothing is peeked.
    utuctlc();
    control.window = nullptr;
    g_queue = {Event::HardInterrupt};
    utqctlc();
    utqctlc();
    EXPECT_EQ(g_peeks, peeks);
    EXPECT_EQ(utqctlc(), 0);
}

TEST_F(Interrupts, DebuggerHotKeyPolledWhenAsked) {
    _pddbgflg = 1;
    utqctlc();
    EXPECT_TRUE(reports.codes.empty());
    utqctlc();   // every second query polls: the check is not supported here
    EXPECT_EQ(reports.codes, std::vector<int32_t>{NOT_IMPLEMENTED_MESSAGE});
    utqsoftctlc();
    EXPECT_EQ(reports.codes.size(), 2u);
}

}  // namespace
}  // namespace vrn
