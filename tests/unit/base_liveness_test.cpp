// Raising an event whose handler may destroy the sender, or the slot it runs from.
#include "base/liveness.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace qorv {
namespace {

struct Sender {
  Liveness life;
  std::function<void(int16_t& button, float& x)> Moved;
};

TEST(Liveness, RaiseTellsWhetherTheSenderSurvivedItsHandler) {
  enum class Handler { None, Leaves, DestroysSender, DestroysAndMakesAnother };
  struct Case {
    const char* name;
    Handler handler;
    bool survived;
  } cases[] = {
      {"no handler", Handler::None, true},
      {"a handler that leaves it", Handler::Leaves, true},
      {"a handler that destroys it", Handler::DestroysSender, false},
      // The new sender must not make the old one's watch see it alive.
      {"destroyed and replaced", Handler::DestroysAndMakesAnother, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto sender = std::make_unique<Sender>();
    std::unique_ptr<Sender> next;
    int calls = 0;
    if (c.handler != Handler::None) {
      sender->Moved = [&, c](int16_t&, float&) {
        ++calls;
        if (c.handler == Handler::Leaves) return;
        sender.reset();
        if (c.handler == Handler::DestroysAndMakesAnother) next = std::make_unique<Sender>();
      };
    }
    int16_t button = 1;
    float x = 0;
    EXPECT_EQ(Raise(sender->life, sender->Moved, button, x), c.survived);
    EXPECT_EQ(calls, c.handler == Handler::None ? 0 : 1);
    EXPECT_EQ(sender != nullptr, c.survived);
  }
}

TEST(Liveness, AHandlerThatReassignsItsSlotFinishesOnItsOwnCopy) {
  Sender sender;
  std::string seen;
  const std::string captured = "captured by the first handler";
  sender.Moved = [&, captured](int16_t&, float&) {
    sender.Moved = [](int16_t&, float&) {};  // frees the running closure unless it was copied
    seen = captured;
  };
  int16_t button = 1;
  float x = 0;
  EXPECT_TRUE(Raise(sender.life, sender.Moved, button, x));
  EXPECT_EQ(seen, captured);
}

TEST(Liveness, HandlersChangeTheArgumentsTheSenderGoesOnWith) {
  Sender sender;
  sender.Moved = [](int16_t& button, float& x) {
    button = 4;
    x = 150.0f;
  };
  int16_t button = 1;
  float x = 15.0f;
  ASSERT_TRUE(Raise(sender.life, sender.Moved, button, x));
  EXPECT_EQ(button, 4);
  EXPECT_EQ(x, 150.0f);
}

TEST(Liveness, RevokeEndsOnlyEarlierWatchesAndEndEndsEveryOne) {
  Liveness life;
  LivenessWatch beforeRevoke = life.Watch();
  life.Revoke();
  LivenessWatch afterRevoke = life.Watch();
  EXPECT_FALSE(beforeRevoke.Alive());
  EXPECT_TRUE(afterRevoke.Alive());
  life.End();
  EXPECT_FALSE(afterRevoke.Alive());
  EXPECT_FALSE(life.Watch().Alive());  // a destructor's teardown raises into nothing
  std::optional<LivenessWatch> last;
  {
    Liveness gone;
    gone.Revoke();
    last = gone.Watch();
  }
  EXPECT_FALSE(last->Alive());
}

}  // namespace
}  // namespace qorv
