// The recording surface (what the view and graph routines draw on in every test) and the SVG
// writer.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "draw/recording_surface.h"
#include "draw/svg_surface.h"

namespace kinelab {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A small picture using every operation: a thick dotted line, its label at the line's end, a
// circle, and a label placed by MoveTo.
void draw_sample(surface& sf) {
  sf.DrawWidth(2);
  sf.DrawStyle(2);
  sf.Line(1, 2, 3.5, 4, 1);
  sf.Print("a<b&c");
  sf.DrawWidth(1);
  sf.DrawStyle(0);
  sf.Circle(10, 20, 1, 4);
  sf.MoveTo(30, 40);
  sf.Print(0.25);
}

bool same_op(const draw_op& a, const draw_op& b) {
  return a.what == b.what && a.x1 == b.x1 && a.y1 == b.y1 && a.x2 == b.x2 && a.y2 == b.y2 &&
         a.radius == b.radius && a.colour == b.colour && a.width == b.width && a.style == b.style &&
         a.text == b.text;
}

TEST(RecordingSurface, RecordsPenAndCursorAndReplaysExactly) {
  recording_surface source;
  draw_sample(source);
  const auto& ops = source.ops();
  ASSERT_EQ(ops.size(), 4u);
  EXPECT_EQ(ops[0].width, 2);
  EXPECT_EQ(ops[0].style, 2);
  EXPECT_EQ(ops[1].what, draw_op::kind::text);
  EXPECT_EQ(ops[1].x1, 3.5);  // printed where the line ended
  EXPECT_EQ(ops[1].y1, 4);
  EXPECT_EQ(ops[2].width, 1);
  EXPECT_EQ(ops[3].x1, 30);
  EXPECT_EQ(ops[3].y1, 40);
  EXPECT_EQ(ops[3].text, "0.25");

  recording_surface target;
  target.Line(0, 0, 9, 9, 3);  // stale content the replay must clear
  source.replay(target);
  ASSERT_EQ(target.ops().size(), ops.size());
  for (std::size_t k = 0; k < ops.size(); ++k)
    EXPECT_TRUE(same_op(target.ops()[k], ops[k])) << "op " << k << " differs after replay";
}

TEST(RecordingSurface, NonFiniteInputLeavesNoTrace) {
  recording_surface sf;
  sf.Line(1, 2, 3, 4, 1);
  sf.Line(1, 2, kNaN, 4, 1);
  sf.Line(INFINITY, 2, 3, 4, 1);
  sf.Circle(kNaN, 0, 1, 1);
  sf.MoveTo(kNaN, 0);
  sf.Print(kNaN);
  sf.Print(-INFINITY);
  sf.Print("here");
  const auto& ops = sf.ops();
  ASSERT_EQ(ops.size(), 2u);
  EXPECT_EQ(ops[1].text, "here");
  EXPECT_EQ(ops[1].x1, 3) << "the cursor must stay at the last finite line end";
  EXPECT_EQ(ops[1].y1, 4);

  sf.Cls();
  EXPECT_TRUE(sf.ops().empty());
}

TEST(SvgSurface, SmallDrawingIsACompleteDocument) {
  svg_surface sf;
  sf.Line(0, 0, 1, 1, 0);
  sf.Cls();  // nothing drawn before Cls may remain
  draw_sample(sf);
  sf.Line(kNaN, 0, 1, 1, 0);
  const std::string doc = sf.document();

  EXPECT_EQ(doc.rfind("<svg", 0), 0u) << doc;
  const std::string tail = "</svg>\n";
  ASSERT_GE(doc.size(), tail.size());
  EXPECT_EQ(doc.substr(doc.size() - tail.size()), tail) << doc;
  EXPECT_NE(doc.find("width=\"157mm\" height=\"148mm\" viewBox=\"0 0 157 148\""), std::string::npos)
      << doc;
  // Two pixels at 96 dpi are 0.529 mm; dotted; colour 1 is dark blue.
  EXPECT_NE(doc.find("<line x1=\"1\" y1=\"2\" x2=\"3.5\" y2=\"4\" stroke=\"#000080\" "
                     "stroke-width=\"0.529\" stroke-dasharray="),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find("<circle cx=\"10\" cy=\"20\" r=\"1\" fill=\"none\" stroke=\"#800000\""),
            std::string::npos)
      << doc;
  EXPECT_NE(doc.find(">a&lt;b&amp;c</text>"), std::string::npos) << doc;
  EXPECT_NE(doc.find(">0.25</text>"), std::string::npos) << doc;
  EXPECT_EQ(doc.find("x2=\"1\""), std::string::npos) << "cleared or non-finite line written";
  EXPECT_EQ(doc.find("nan"), std::string::npos) << doc;
}

// A filled rectangle keeps its own colour (not a palette index) through the recording and into
// the SVG; one with a corner that is not finite is dropped.
TEST(Surfaces, FilledRectanglesKeepTheirColour) {
  recording_surface source;
  source.FillRect(1, 2, 3, 4, {10, 200, 30});
  source.FillRect(kNaN, 2, 3, 4, {0, 0, 0});
  source.FillRect(9, 8, -2, 1, {255, 255, 255});
  ASSERT_EQ(source.ops().size(), 2u);
  const draw_op& op = source.ops()[0];
  EXPECT_EQ(op.what, draw_op::kind::rect);
  EXPECT_EQ(op.fill.r, 10);
  EXPECT_EQ(op.fill.g, 200);
  EXPECT_EQ(op.fill.b, 30);
  svg_surface svg;
  source.replay(svg);
  const std::string doc = svg.document();
  EXPECT_NE(doc.find("<rect x=\"1\" y=\"2\" width=\"3\" height=\"4\" fill=\"#0ac81e\""),
            std::string::npos)
      << doc;
  // A negative width spans to the left of its corner.
  EXPECT_NE(doc.find("<rect x=\"7\" y=\"8\" width=\"2\" height=\"1\" fill=\"#ffffff\""),
            std::string::npos)
      << doc;
}

// A streamed document is the whole one, block for block, whether it fits one block or needs
// many (a long path of a large Run).
TEST(SvgSurface, StreamedDocumentIsTheWholeDocument) {
  for (int lines : {0, 3, 4000}) {
    recording_surface source;
    draw_sample(source);
    for (int k = 0; k < lines; ++k) source.Line(k * 0.01, std::sin(k * 0.01), k, -k, k % 8);
    svg_surface whole, streamed;
    source.replay(whole);
    std::string out;
    int blocks = 0;
    streamed.stream_to([&](std::string_view t) { out.append(t), ++blocks; });
    source.replay(streamed);
    streamed.finish();
    SCOPED_TRACE(lines);
    EXPECT_EQ(out, whole.document());
    if (lines > 1000) {
      EXPECT_GT(blocks, 4);
    }
  }
}

}  // namespace
}  // namespace kinelab
