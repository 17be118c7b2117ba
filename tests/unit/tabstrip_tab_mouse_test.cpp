// The tab strip's mouse state: gestures as sequences of steps, each with the effects it must
// return and the hover and close-button look after it.
#include "tabstrip/tab_mouse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qorv::tabstrip {
namespace {

using E = TabMouseEffect;

struct Step {
  enum Kind { Press, Move, Release, Leave, CaptureLost } kind;
  int16_t button;  // buttons held, for a move
  HitResult hit;
  bool isTab;
  int32_t selected;
  bool closable;
  TabMouseEffects effects;  // what the step must return
  int32_t hover;            // and the state after it
  int32_t closeState;
};

Step Mv(int16_t buttons, HitResult hit, TabMouseEffects fx, int32_t hover, int32_t close) {
  return {Step::Move, buttons, hit, true, 0, true, std::move(fx), hover, close};
}
Step Pr(int16_t button, HitResult hit, int32_t selected, TabMouseEffects fx, int32_t hover,
        int32_t close, bool isTab = true) {
  return {Step::Press, button, hit, isTab, selected, true, std::move(fx), hover, close};
}
Step Rl(int16_t button, HitResult hit, TabMouseEffects fx, int32_t hover, int32_t close,
        bool isTab = true, bool closable = true) {
  return {Step::Release, button, hit, isTab, 0, closable, std::move(fx), hover, close};
}
Step Lv(TabMouseEffects fx, int32_t hover, int32_t close) {
  return {Step::Leave, 0, {}, true, 0, true, std::move(fx), hover, close};
}
Step Lost(TabMouseEffects fx, int32_t hover, int32_t close) {
  return {Step::CaptureLost, 0, {}, true, 0, true, std::move(fx), hover, close};
}

TabMouseEffects Feed(TabMouse& m, const Step& s) {
  switch (s.kind) {
    case Step::Press:
      return m.OnPress(s.button, s.hit, s.isTab, s.selected);
    case Step::Move:
      return m.OnMove(s.button, s.hit);
    case Step::Release:
      return m.OnRelease(s.button, s.hit, s.isTab, s.closable);
    case Step::Leave:
      return m.OnLeave();
    case Step::CaptureLost:
      return m.OnCaptureLost();
  }
  return {};
}

HitResult Body(int32_t i) { return {i, false}; }
HitResult Close(int32_t i) { return {i, true}; }
constexpr HitResult kNothing{kHitNone, false};

struct Gesture {
  const char* name;
  std::vector<Step> steps;
};

TEST(TabMouse, Gestures) {
  constexpr int16_t L = kLeftButton;
  constexpr int32_t Hot = kCloseHot, Down = kClosePressed;
  const E draw{E::DrawTabs}, all{E::DrawAll}, changed{E::RaiseTabChanged};
  auto hover = [](int32_t i) { return E{E::RaiseHover, i}; };
  const std::vector<Gesture> gestures = {
      {"hover enters a tab, moves within it, reaches its close button, leaves the strip",
       {Mv(0, Body(1), {hover(1), draw}, 1, 0),
        Mv(0, Body(1), {}, 1, 0),
        Mv(0, Close(1), {draw}, 1, Hot),
        Mv(0, Body(2), {hover(2), draw}, 2, 0),
        Lv({draw}, -1, 0),
        Lv({}, -1, 0)}},
      {"a move with a button held changes nothing",
       {Mv(L, Body(3), {}, -1, 0)}},
      {"press on another tab's body selects it; on the selected one only TabChanged",
       {Pr(L, Body(2), 0, {{E::Select, 2}, draw, changed}, -1, 0),
        Pr(L, Body(2), 2, {changed}, -1, 0)}},
      {"press and release on the close button of the hovered tab closes it",
       {Mv(0, Close(1), {hover(1), draw}, 1, Hot),
        Pr(L, Close(1), 0, {draw, changed}, 1, Down),
        Rl(L, Close(1), {{E::CloseTab, 1}, all}, 1, 0)}},
      {"a second press on a pressed close button draws nothing again",
       {Mv(0, Close(0), {hover(0), draw}, 0, Hot),
        Pr(L, Close(0), 0, {draw, changed}, 0, Down),
        Pr(L, Close(0), 0, {changed}, 0, Down)}},
      {"release over another tab's button, a body, a hidden button or no tab closes nothing",
       {Mv(0, Close(1), {hover(1), draw}, 1, Hot),
        Pr(L, Close(1), 0, {draw, changed}, 1, Down),
        Rl(L, Close(2), {all}, 1, 0),
        Rl(L, Body(1), {all}, 1, 0),
        Rl(L, Close(1), {all}, 1, 0, true, false),
        Rl(L, Close(1), {all}, 1, 0, false, true)}},
      {"other buttons neither select, press nor close",
       {Pr(2, Body(3), 0, {}, -1, 0),
        Pr(4, Close(3), 0, {}, -1, 0),
        Rl(2, Close(3), {}, -1, 0)}},
      {"a press beside the tabs does nothing; the release still redraws",
       {Pr(L, kNothing, 0, {}, -1, 0, false),
        Rl(L, kNothing, {all}, -1, 0, false)}},
      {"capture lost during a press on the close button drops the pressed look once",
       {Mv(0, Close(0), {hover(0), draw}, 0, Hot),
        Lost({}, 0, Hot),
        Pr(L, Close(0), 0, {draw, changed}, 0, Down),
        Lost({draw}, 0, 0),
        Lost({}, 0, 0)}},
  };
  for (const Gesture& g : gestures) {
    TabMouse m;
    for (size_t i = 0; i < g.steps.size(); ++i) {
      const Step& s = g.steps[i];
      SCOPED_TRACE(std::string(g.name) + ", step " + std::to_string(i + 1));
      EXPECT_EQ(Feed(m, s), s.effects);
      EXPECT_EQ(m.Hover(), s.hover);
      EXPECT_EQ(m.CloseState(), s.closeState);
    }
  }
}

}  // namespace
}  // namespace qorv::tabstrip
