#include <gtest/gtest.h>

#include "controls/button_frames.h"
#include "controls/button_state.h"

namespace qorv::controls {
namespace {

// ---- frame geometry ----

TEST(ButtonFrames, StripSizesOfTheSkinBitmaps) {
  struct Case {
    int width, height;
    int32_t style;
    int fw, fh;
  } cases[] = {
      {72, 18, 0, 24, 18},   // bitmap 101 / 104: three frames
      {150, 18, 1, 25, 18},  // bitmap 102: toggle, six frames
      {129, 18, 0, 43, 18},  // bitmap 103
      {72, 18, 1, 12, 18},   // the same strip read as a toggle
      {150, 18, 2, 25, 18},  // any style but 0 cuts six
      {150, 18, -1, 25, 18},
      {1, 1, 0, 0, 1},       // a third of a pixel rounds to no frame
      {0, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    FrameSize s = ComputeFrameSize(PixelsToHimetric(c.width), PixelsToHimetric(c.height), c.style);
    EXPECT_EQ(s.fw, c.fw) << c.width << " style " << c.style;
    EXPECT_EQ(s.fh, c.fh) << c.height;
  }
}

TEST(ButtonFrames, HimetricSizesRoundHalvesToEven) {
  EXPECT_EQ(PixelsToHimetric(72), 1905);
  EXPECT_EQ(PixelsToHimetric(150), 3969);  // 3968.75
  EXPECT_EQ(PixelsToHimetric(129), 3413);  // 3413.125
  EXPECT_EQ(PixelsToHimetric(18), 476);    // 476.25
  EXPECT_EQ(PixelsToHimetric(3), 79);      // 79.375
  EXPECT_EQ(HimetricToPixelsNearest(1905), 72);  // 71.9999
  EXPECT_EQ(ComputeFrameSize(198, 100, 0).fw, 2);  // 2.494 pixels
  EXPECT_EQ(ComputeFrameSize(200, 100, 0).fw, 3);  // 2.520 pixels
}

TEST(ButtonFrames, FrameSourcesStayInsideTheStrip) {
  FrameSize s{25, 18};
  struct Case {
    int index, stripW, stripH;
    struct {
      int x, y, w, h;
    } r;
  } cases[] = {
      {0, 150, 18, {0, 0, 25, 18}},
      {5, 150, 18, {125, 0, 25, 18}},
      {6, 150, 18, {0, 0, 0, 0}},    // past the strip: nothing
      {2, 74, 18, {50, 0, 24, 18}},  // the last frame of a strip 1 pixel short is cut short
      {3, 74, 18, {0, 0, 0, 0}},
      {0, 150, 10, {0, 0, 25, 10}},  // a strip lower than the frame
      {-1, 150, 18, {0, 0, 0, 0}},
      {1, 0, 18, {0, 0, 0, 0}},
  };
  for (const auto& c : cases) {
    PixelRect r = FrameSource(c.index, s, c.stripW, c.stripH);
    EXPECT_EQ(r.left, c.r.x) << c.index << "/" << c.stripW;
    EXPECT_EQ(r.Width(), c.r.w) << c.index << "/" << c.stripW;
    EXPECT_EQ(r.Height(), c.r.h) << c.index << "/" << c.stripW;
  }
  // A huge index must not overflow into a frame.
  EXPECT_EQ(FrameSource(INT32_MAX, s, 150, 18).Width(), 0);
}

TEST(ButtonFrames, FrameForEachLook) {
  struct Case {
    int look;
    bool value;
    int32_t style;
    bool locked;
    int frame;
    bool greyed;
  } cases[] = {
      {0, false, 0, false, 0, false}, {1, false, 0, false, 1, false},
      {2, false, 0, false, 2, false},
      {0, true, 1, false, 3, false},  {1, true, 1, false, 4, false},
      {2, true, 1, false, 5, false},  {1, false, 1, false, 1, false},
      {0, false, 0, true, 2, false},  {1, false, 0, true, 2, false},  // Locked: always pressed
      {0, true, 1, true, 5, false},   {3, false, 0, true, 2, false},
      {3, false, 0, false, 0, true},  {3, true, 1, false, 3, true},   // disabled: greyed normal
      {3, false, 1, false, 0, true},
      {0, true, 0, false, 0, false},  {0, true, 2, false, 0, false},  // Value counts for toggles
      {7, false, 0, false, 2, false}, {-4, false, 0, false, 0, false},
  };
  for (const auto& c : cases) {
    FrameChoice f = ChooseFrame(c.look, c.value, c.style, c.locked);
    EXPECT_EQ(f.frame, c.frame) << c.look << c.value << c.style << c.locked;
    EXPECT_EQ(f.greyed, c.greyed) << c.look << c.value << c.style << c.locked;
  }
}

TEST(ButtonFrames, CaptionAndIconPlacement) {
  // A 100 x 30 pixel button with a 40 x 13 pixel caption.
  const double w = 1500, h = 450, tw = 600, th = 195;
  Point p = CaptionPosition(w, h, tw, th, 0, kLookNormal);
  EXPECT_EQ(p.x, 450);
  EXPECT_EQ(p.y, 128);  // 127.5 to the even 128
  p = CaptionPosition(w, h, tw, th, 0, kLookPressed);
  EXPECT_EQ(p.x, 465);  // one pixel down and right when pressed
  EXPECT_EQ(p.y, 143);
  EXPECT_EQ(CaptionPosition(w, h, tw, th, 0, kLookHover).x, 450);

  int64_t iconW = IconWidthTwips(PixelsToHimetric(32));  // 847 \ 26 = 32 -> 480
  EXPECT_EQ(iconW, 480);
  EXPECT_EQ(IconWidthTwips(PixelsToHimetric(16)), 240);
  EXPECT_EQ(CaptionPosition(w, h, tw, th, iconW, kLookNormal).x, 930);
  EXPECT_DOUBLE_EQ(IconLeft(w, tw, iconW), 210);  // half an icon left of the centred caption
  EXPECT_DOUBLE_EQ(IconLeft(w, 0, iconW), 510);   // no caption: the icon is centred
  EXPECT_DOUBLE_EQ(IconLeft(1501, 0, 480), 510.5);  // the fraction is kept

  // Halves of the centring go to even.
  EXPECT_EQ(CaptionPosition(15, 15, 14, 14, 0, 0).x, 0);  // 0.5
  EXPECT_EQ(CaptionPosition(45, 45, 42, 42, 0, 0).x, 2);  // 1.5
}

TEST(ButtonFrames, FocusRectangleIsThreePixelsIn) {
  PixelRect r = FocusRectangle(645, 270, 15, 15);  // a 43 x 18 close button
  EXPECT_EQ(r.left, 3);
  EXPECT_EQ(r.top, 3);
  EXPECT_EQ(r.right, 40);
  EXPECT_EQ(r.bottom, 15);
  r = FocusRectangle(645, 270, 12, 12);  // 120 DPI: 53.75 and 22.5 pixels
  EXPECT_EQ(r.right, 51);                // 50.75
  EXPECT_EQ(r.bottom, 20);               // 19.5 to the even 20
}

// ---- reactions ----

using E = ButtonEffect;
using Effects = ButtonEffects;

TEST(ButtonState, HoverPressReleaseOverClicksOnce) {
  ButtonState s;
  EXPECT_EQ(s.OnMouseMove(true), (Effects{{E::HandCursor}, {E::Paint, 1}, {E::TimerOn},
                                          {E::RaiseMouseOver}}));
  EXPECT_TRUE(s.TimerRunning());
  EXPECT_EQ(s.OnMouseMove(true), (Effects{{E::HandCursor}}));  // MouseOver only once
  EXPECT_EQ(s.OnMouseMove(false), Effects{});
  EXPECT_EQ(s.OnMouseDown(kLeftButton), (Effects{{E::ArrowCursor}, {E::Paint, 2}}));
  EXPECT_TRUE(s.Held());
  EXPECT_EQ(s.OnMouseUp(kLeftButton, true), (Effects{{E::Paint, 1}}));
  EXPECT_FALSE(s.Held());
  EXPECT_EQ(s.OnClick(true), (Effects{{E::Paint, 1}, {E::RaiseClick}}));
  // The mouse leaves: the first tick switches the poll off and raises MouseOut.
  EXPECT_EQ(s.OnTimer(true), Effects{});
  EXPECT_EQ(s.OnTimer(false), (Effects{{E::TimerOff}, {E::RaiseMouseOut}, {E::Paint, 0}}));
  EXPECT_FALSE(s.TimerRunning());
  EXPECT_FALSE(s.Hover());
}

TEST(ButtonState, ToggleInvertsValueBeforeClick) {
  ButtonState s;
  s.SetStyle(1);
  s.SetValue(true, false);
  s.OnMouseMove(true);
  s.OnMouseDown(kLeftButton);
  s.OnMouseUp(kLeftButton, true);
  EXPECT_FALSE(s.Value());  // inverted at the release, before the click
  EXPECT_EQ(s.OnClick(true).back(), E{E::RaiseClick});
  // Setting Value on a push button leaves it false.
  ButtonState push;
  EXPECT_EQ(push.SetValue(true, false), Effects{});
  EXPECT_FALSE(push.Value());
}

TEST(ButtonState, ReleaseAfterADoubleClickDoesNotToggle) {
  ButtonState s;
  s.SetStyle(1);
  s.OnMouseMove(true);
  s.OnMouseDown(kLeftButton);
  s.OnMouseUp(kLeftButton, true);
  s.OnClick(true);
  ASSERT_TRUE(s.Value());
  EXPECT_EQ(s.OnDoubleClick(), (Effects{{E::Paint, 2}, {E::RaiseDBClick}}));
  s.OnMouseUp(kLeftButton, true);
  EXPECT_TRUE(s.Value());  // one Click, one inversion
}

TEST(ButtonState, RightButtonNeitherPressesNorClicks) {
  ButtonState s;
  s.OnMouseMove(true);
  EXPECT_EQ(s.OnMouseDown(2), Effects{});
  EXPECT_EQ(s.LastButton(), 2);
  EXPECT_EQ(s.OnMouseUp(2, true), Effects{});
  EXPECT_EQ(s.OnClick(true), Effects{});
  EXPECT_EQ(s.OnDoubleClick(), (Effects{{E::RaiseDBClick}}));  // still raised
  EXPECT_EQ(s.Look(), 1);
}

TEST(ButtonState, DragOutAndReleaseOutside) {
  ButtonState s;
  s.OnMouseMove(true);
  s.OnMouseDown(kLeftButton);
  // Dragged out: the tick shows the normal look, the poll goes on, no MouseOut.
  EXPECT_EQ(s.OnTimer(false), (Effects{{E::Paint, 0}}));
  EXPECT_TRUE(s.TimerRunning());
  // Back over while held: pressed again.
  EXPECT_EQ(s.OnTimer(true), (Effects{{E::Paint, 2}}));
  EXPECT_EQ(s.OnTimer(false), (Effects{{E::Paint, 0}}));
  EXPECT_EQ(s.OnMouseUp(kLeftButton, false), (Effects{{E::Paint, 0}}));
  // The next tick ends the hover.
  EXPECT_EQ(s.OnTimer(false), (Effects{{E::TimerOff}, {E::RaiseMouseOut}}));
}

TEST(ButtonState, LockedStillClicks) {
  ButtonState s;
  EXPECT_EQ(s.SetLocked(true, false), (Effects{{E::Paint, 0}}));
  s.OnMouseMove(true);
  s.OnMouseDown(kLeftButton);
  s.OnMouseUp(kLeftButton, true);
  EXPECT_EQ(s.OnClick(true).back(), E{E::RaiseClick});
  EXPECT_TRUE(s.Locked());
}

TEST(ButtonState, EnterClicksOnKeyDownSpaceOnKeyUp) {
  ButtonState s;
  s.SetStyle(1);
  EXPECT_EQ(s.OnKeyDown(kKeyEnter, false),
            (Effects{{E::Paint, 0}, {E::DrawFocus}, {E::RaiseClick}}));
  EXPECT_TRUE(s.Value());
  EXPECT_EQ(s.OnKeyUp(kKeyEnter, false), Effects{});
  EXPECT_EQ(s.OnKeyDown(kKeySpace, false), (Effects{{E::Paint, 2}, {E::DrawFocus}}));
  EXPECT_TRUE(s.Value());  // not yet
  EXPECT_EQ(s.OnKeyUp(kKeySpace, false),
            (Effects{{E::Paint, 0}, {E::DrawFocus}, {E::RaiseClick}}));
  EXPECT_FALSE(s.Value());
  // While hovered no focus rectangle is drawn.
  s.OnMouseMove(true);
  EXPECT_EQ(s.OnKeyDown(kKeyEnter, true), (Effects{{E::Paint, 1}, {E::RaiseClick}}));
  EXPECT_EQ(s.OnKeyDown('A', true), Effects{});
}

TEST(ButtonState, LooksFollowEnabledHeldAndOver) {
  ButtonState s;
  EXPECT_EQ(s.CurrentLook(false), 0);
  EXPECT_EQ(s.CurrentLook(true), 1);
  s.OnMouseDown(kLeftButton);
  EXPECT_EQ(s.CurrentLook(true), 2);
  EXPECT_EQ(s.CurrentLook(false), 0);
  EXPECT_EQ(s.SetEnabled(false, true), (Effects{{E::Paint, 3}}));
  EXPECT_EQ(s.CurrentLook(true), 3);
  // cMouseAction paints only on a change unless asked to.
  EXPECT_EQ(s.MouseAction(3, false), Effects{});
  EXPECT_EQ(s.MouseAction(3, true), (Effects{{E::Paint, 3}}));
  EXPECT_EQ(s.MouseAction(0, false), (Effects{{E::Paint, 0}}));
}

TEST(ButtonState, FocusDrawsTheRectangleUnlessHeld) {
  ButtonState s;
  EXPECT_EQ(s.OnFocus(true, false), (Effects{{E::Paint, 0}, {E::DrawFocus}}));
  EXPECT_EQ(s.OnFocus(false, false), (Effects{{E::Paint, 0}}));
  s.OnMouseDown(kLeftButton);
  EXPECT_EQ(s.OnFocus(true, true), (Effects{{E::Paint, 2}}));
}

}  // namespace
}  // namespace qorv::controls
