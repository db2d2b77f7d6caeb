#include <vector>

#include "runtime/application_events.h"
#include "runtime_fixture.h"

namespace tamlo::test {
namespace {

using dui::Control;
using dui::Event;

// A handler object that logs its number and can act on the table mid-raise.
struct Listener {
    int number = 0;
    std::vector<int>* log = nullptr;
    ApplicationEvents* table = nullptr;
    Listener* toUnregister = nullptr;
    bool setHandled = false;
    bool addAnother = false;

    static void handle(void* target, Control* sender, Event& event) {
        auto* self = static_cast<Listener*>(target);
        EXPECT_EQ(sender, nullptr);
        self->log->push_back(self->number);
        event.lParam = self->number;
        if (self->toUnregister != nullptr) {
            self->table->remove(event.code, self->toUnregister, &Listener::handle);
        }
        if (self->addAnother) {
            self->table->add(event.code, self, &Listener::handle);
        }
        if (self->setHandled) {
            event.handled = 1;
        }
    }
};

class ApplicationEventTable : public RuntimeTest {
  protected:
    std::vector<Listener>& make(int count) {
        listeners.resize(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) {
            listeners[i].number = i;
            listeners[i].log = &log;
            listeners[i].table = &table;
            table.add(1024, &listeners[i], &Listener::handle);
        }
        return listeners;
    }
    Event notification() const { return Event{1024, dui::Direct, 0, 0, 0}; }

    ApplicationEvents table;
    std::vector<Listener> listeners;
    std::vector<int> log;
};

TEST_F(ApplicationEventTable, MoreThanSixteenHandlersAllRunInRegistrationOrder) {
    make(20);
    Event event = notification();
    table.raise(event);
    std::vector<int> expected;
    for (int i = 0; i < 20; ++i) {
        expected.push_back(i);
    }
    EXPECT_EQ(log, expected);
    EXPECT_EQ(event.lParam, 19);  // the last answer stands
}

TEST_F(ApplicationEventTable, AHandlerUnregisteredMidRaiseIsSkipped) {
    auto& l = make(20);
    l[1].toUnregister = &l[18];
    Event event = notification();
    table.raise(event);
    EXPECT_EQ(log.size(), 19u);
    EXPECT_EQ(std::count(log.begin(), log.end(), 18), 0);
    EXPECT_EQ(table.handlerCount(1024), 19u);
}

TEST_F(ApplicationEventTable, HandledStopsTheRoute) {
    auto& l = make(4);
    l[1].setHandled = true;
    Event event = notification();
    table.raise(event);
    EXPECT_EQ(log, (std::vector<int>{0, 1}));
}

TEST_F(ApplicationEventTable, AHandlerAddedMidRaiseWaitsForTheNextRaise) {
    auto& l = make(2);
    l[0].addAnother = true;
    Event event = notification();
    table.raise(event);
    EXPECT_EQ(log, (std::vector<int>{0, 1}));
    l[0].addAnother = false;
    log.clear();
    table.raise(event);
    EXPECT_EQ(log, (std::vector<int>{0, 1, 0}));
}

TEST_F(ApplicationEventTable, AnEmptyOrMissingListLeavesTheRecordUnchanged) {
    auto& l = make(1);
    table.remove(1024, &l[0], &Listener::handle);
    Event event{1024, dui::Bubble, 5, 6, 0};
    table.raise(event);
    Event other{77, dui::Tunnel, 8, 9, 0};
    table.raise(other);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(event.code, 1024);
    EXPECT_EQ(event.routing, dui::Bubble);
    EXPECT_EQ(event.wParam, 5u);
    EXPECT_EQ(event.lParam, 6);
    EXPECT_EQ(event.handled, 0);
    EXPECT_EQ(other.lParam, 9);
}

TEST_F(ApplicationEventTable, TheSamePairAddedTwiceAndRemovedOnceStillRunsOnce) {
    Listener listener;
    listener.log = &log;
    listener.number = 3;
    table.add(1024, &listener, &Listener::handle);
    table.add(1024, &listener, &Listener::handle);
    EXPECT_TRUE(table.remove(1024, &listener, &Listener::handle));
    Event event = notification();
    table.raise(event);
    EXPECT_EQ(log, (std::vector<int>{3}));
    EXPECT_TRUE(table.remove(1024, &listener, &Listener::handle));
    EXPECT_FALSE(table.remove(1024, &listener, &Listener::handle));
}

TEST_F(ApplicationEventTable, TheContextRaisesOnlyWhileItExists) {
    Event event = notification();
    raiseApplicationEvent(event);  // no context: nothing happens
    UiContext* context = createUiContext();
    Listener listener;
    listener.log = &log;
    listener.number = 1;
    context->applicationEvents.add(1024, &listener, &Listener::handle);
    raiseApplicationEvent(event);
    EXPECT_EQ(log, (std::vector<int>{1}));
    destroyUiContext();
    raiseApplicationEvent(event);
    EXPECT_EQ(log, (std::vector<int>{1}));
}

}  // namespace
}  // namespace tamlo::test
