#include "proplist/editing.h"

#include <gtest/gtest.h>

#include "proplist/layout.h"

namespace {

using proplist::Editor;
using proplist::PropertyList;
using proplist::TextChange;

constexpr int32_t kWidth = 300;

// The main window's content, with the repaints counted.
struct Fixture {
  PropertyList list;
  Editor editor{&list};
  int repaints = 0;
  Fixture() {
    list.AddNode("安装信息(必填)");
    list.AddNode("生成(必填)");
    list.AddNode("控制面板(可选)");
    list.AddItem(0, "软件名称", "测试", 20);
    list.AddItem(0, "安装目录", "QrSetup", 20);
    list.AddItem(1, "安装包保存路径", "C:\\QrSetup.exe", 260, proplist::kKindSavePath);
    list.AddItem(2, "发行商", "Quorin软件工作室", 20);
    list.AddItem(2, "版本", "1.0.0.0", 20);
    list.OnRepaint = [this] { ++repaints; };
  }
  int Highlights() const {
    int n = 0;
    for (const auto& node : list.Nodes())
      for (const auto& item : node.Items) n += item.Highlighted;
    return n;
  }
};

TEST(EditorGeometryTest, SavePathAndPlainItems) {
  proplist::EditorState s = proplist::EditorGeometry(proplist::kKindSavePath, 80, 300, 260);
  EXPECT_TRUE(s.visible);
  EXPECT_EQ(s.left, 104);
  EXPECT_EQ(s.width, 177);
  EXPECT_EQ(s.top, 84);
  EXPECT_EQ(s.height, 13);
  EXPECT_TRUE(s.picture_visible);
  EXPECT_EQ(s.picture_left, 281);
  EXPECT_EQ(s.picture_top, 80);
  s = proplist::EditorGeometry(proplist::kKindText, 20, 300, 20);
  EXPECT_EQ(s.width, 196);
  EXPECT_FALSE(s.picture_visible);
  // Any kind other than 1 behaves as plain text.
  EXPECT_EQ(proplist::EditorGeometry(7, 20, 300, 20).width, 196);
}

TEST(EditorGeometryTest, HeightAndTopFollowTheFontsCell) {
  // The designed font, and smaller ones: 13 high at row top + 4.
  for (int32_t cell : {12, 13, 15}) {
    proplist::EditorState s = proplist::EditorGeometry(proplist::kKindText, 80, 300, 20, cell);
    EXPECT_EQ(s.height, cell < 13 ? 13 : cell) << cell;
    EXPECT_EQ(s.top, 84) << cell;
  }
  // Taller cells move up so the text ends above the row's grid line (y 99).
  struct {
    int32_t cell, top;
  } taller[] = {{16, 83}, {17, 82}, {19, 80}, {24, 80}};
  for (const auto& t : taller) {
    proplist::EditorState s = proplist::EditorGeometry(proplist::kKindSavePath, 80, 300, 260, t.cell);
    EXPECT_EQ(s.height, t.cell);
    EXPECT_EQ(s.top, t.top) << t.cell;
    EXPECT_LE(s.top + s.height, t.cell <= 19 ? 99 : 104) << t.cell;
    // The rest stays as designed.
    EXPECT_EQ(s.left, 104);
    EXPECT_EQ(s.width, 177);
    EXPECT_EQ(s.picture_left, 281);
    EXPECT_EQ(s.picture_top, 80);
  }
  // The row text starts where the editor's text does.
  for (int32_t cell : {12, 13, 16, 17}) EXPECT_EQ(proplist::TextTop(cell), proplist::EditorGeometry(0, 0, 300, 20, cell).top) << cell;
}

TEST(EditingTest, TheEditorOpensAtTheHeightOfItsFont) {
  Fixture f;
  f.editor.SetTextHeight(17);
  f.editor.MouseDown(90, kWidth, "");
  EXPECT_EQ(f.editor.state().height, 17);
  EXPECT_EQ(f.editor.state().top, 82);
}

TEST(EditingTest, PressOpensTheEditor) {
  Fixture f;
  TextChange t = f.editor.MouseDown(30, kWidth, "");
  EXPECT_TRUE(t.set_text);
  EXPECT_EQ(t.text, "测试");
  EXPECT_TRUE(t.select_all_and_focus);
  EXPECT_EQ(f.list.FocusNode(), 0);
  EXPECT_EQ(f.list.FocusItem(), 0);
  EXPECT_TRUE(f.list.Item(0, 0)->Highlighted);
  EXPECT_EQ(f.editor.state().top, 24);
  EXPECT_EQ(f.editor.state().max_len, 20);
  EXPECT_EQ(f.repaints, 1);
}

TEST(EditingTest, PressesThatDoNothing) {
  Fixture f;
  for (double y : {0.0, 10.0, 20.0, 160.0, 200.0}) {
    TextChange t = f.editor.MouseDown(y, kWidth, "");
    EXPECT_FALSE(t.set_text) << y;
    EXPECT_FALSE(f.list.EditOpen()) << y;
  }
  EXPECT_EQ(f.repaints, 0);
}

TEST(EditingTest, SavePathItemShowsThePicture) {
  Fixture f;
  f.editor.MouseDown(90, kWidth, "");
  EXPECT_EQ(f.editor.state().top, 84);
  EXPECT_EQ(f.editor.state().width, 177);
  EXPECT_TRUE(f.editor.state().picture_visible);
  EXPECT_EQ(f.editor.state().picture_left, 281);
  EXPECT_EQ(f.editor.state().picture_top, 80);
  // Moving on to a plain item stores the typed text and hides the picture.
  TextChange t = f.editor.MouseDown(150, kWidth, "D:\\out.exe");
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "D:\\out.exe");
  EXPECT_EQ(t.text, "1.0.0.0");
  EXPECT_FALSE(f.editor.state().picture_visible);
  EXPECT_EQ(f.editor.state().width, 196);
  EXPECT_EQ(f.Highlights(), 1);
  EXPECT_TRUE(f.list.Item(2, 1)->Highlighted);
}

TEST(EditingTest, PressingTheEditedRowAgainDropsTyping) {
  Fixture f;
  f.editor.MouseDown(30, kWidth, "");
  TextChange t = f.editor.MouseDown(35, kWidth, "typed");
  EXPECT_EQ(t.text, "测试");
  EXPECT_TRUE(t.select_all_and_focus);
  EXPECT_EQ(f.list.GetPropValue("软件名称"), "测试");
  EXPECT_TRUE(f.list.EditOpen());
}

TEST(EditingTest, EnterCommitsAndKeepsTheHighlight) {
  Fixture f;
  f.editor.MouseDown(50, kWidth, "");
  f.repaints = 0;
  f.editor.CommitOnEnter("MySetup");
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "MySetup");
  EXPECT_FALSE(f.list.EditOpen());
  EXPECT_EQ(f.list.FocusNode(), -1);
  EXPECT_FALSE(f.editor.state().visible);
  EXPECT_TRUE(f.list.Item(0, 1)->Highlighted);
  EXPECT_EQ(f.repaints, 1);
  // A caption press afterwards does nothing; opening another item clears the mark.
  f.editor.MouseDown(10, kWidth, "ignored");
  EXPECT_TRUE(f.list.Item(0, 1)->Highlighted);
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "MySetup");
  f.editor.MouseDown(30, kWidth, "ignored");
  EXPECT_FALSE(f.list.Item(0, 1)->Highlighted);
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "MySetup");
}

TEST(EditingTest, ClosingCommits) {
  // Focus leaving, a caption press and a press below the rows all store and clear.
  for (int how = 0; how < 3; ++how) {
    Fixture f;
    f.editor.MouseDown(30, kWidth, "");
    if (how == 0) f.editor.ClosingCommit("A");
    if (how == 1) f.editor.MouseDown(70, kWidth, "A");
    if (how == 2) f.editor.MouseDown(300, kWidth, "A");
    EXPECT_EQ(f.list.GetPropValue("软件名称"), "A") << how;
    EXPECT_FALSE(f.list.EditOpen());
    EXPECT_EQ(f.Highlights(), 0);
    EXPECT_FALSE(f.editor.state().visible);
  }
  Fixture idle;
  idle.editor.ClosingCommit("x");  // no edit open
  EXPECT_EQ(idle.repaints, 0);
  EXPECT_EQ(idle.list.GetPropValue("软件名称"), "测试");
}

TEST(EditingTest, SetItemFocus) {
  Fixture f;
  TextChange t = f.editor.SetItemFocus("安装包保存路径", kWidth, "");
  EXPECT_EQ(t.text, "C:\\QrSetup.exe");
  EXPECT_EQ(f.editor.state().top, 84);
  EXPECT_TRUE(f.list.Item(1, 0)->Highlighted);
  t = f.editor.SetItemFocus("no such item", kWidth, "typed");
  EXPECT_FALSE(t.set_text);
  EXPECT_EQ(f.list.FocusNode(), 1);
  EXPECT_TRUE(f.list.Item(1, 0)->Highlighted);
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "C:\\QrSetup.exe");
}

TEST(EditingTest, SetPropValueWhileEditingIsOverwrittenByTheCommit) {
  Fixture f;
  f.editor.MouseDown(150, kWidth, "");
  f.list.SetPropValue("版本", "9.9");
  EXPECT_EQ(f.list.GetPropValue("版本"), "9.9");
  f.editor.CommitOnEnter("1.0.0.0 typed");
  EXPECT_EQ(f.list.GetPropValue("版本"), "1.0.0.0 typed");
}

TEST(EditingTest, BrowseResult) {
  Fixture f;
  f.editor.MouseDown(90, kWidth, "");
  EXPECT_FALSE(f.editor.BrowseResult("").set_text);
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "C:\\QrSetup.exe");
  TextChange t = f.editor.BrowseResult("E:\\pkg\\a.exe");
  EXPECT_TRUE(t.set_text);
  EXPECT_EQ(t.text, "E:\\pkg\\a.exe");
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "E:\\pkg\\a.exe");
  EXPECT_TRUE(f.list.EditOpen());
  f.editor.ClosingCommit("E:\\pkg\\b.exe");
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "E:\\pkg\\b.exe");
  // With no edit open a chosen path changes nothing.
  EXPECT_FALSE(f.editor.BrowseResult("F:\\x.exe").set_text);
  EXPECT_EQ(f.list.GetPropValue("安装包保存路径"), "E:\\pkg\\b.exe");
}

TEST(EditingTest, CommitAfterTheEditedItemWasRemovedStoresNothing) {
  Fixture f;
  f.editor.MouseDown(150, kWidth, "");  // 版本, item (2, 1)
  f.list.RemoveItem(2, 1);
  f.editor.CommitOnEnter("lost");
  EXPECT_FALSE(f.list.EditOpen());
  EXPECT_EQ(f.list.GetPropValue("发行商"), "Quorin软件工作室");
}

}  // namespace

namespace {

TEST(EditingTest, EscapeClosesWithoutStoringAndKeepsTheHighlight) {
  Fixture f;
  f.editor.MouseDown(50, kWidth, "");
  ASSERT_TRUE(f.list.EditOpen());
  const int before = f.repaints;
  f.editor.Cancel();
  EXPECT_FALSE(f.list.EditOpen());
  EXPECT_FALSE(f.editor.state().visible);
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "QrSetup");
  EXPECT_TRUE(f.list.Item(0, 1)->Highlighted);
  EXPECT_EQ(f.repaints, before + 1);
  // With no edit open it does nothing, and the next opening stores nothing
  // into the item Escape left.
  f.editor.Cancel();
  EXPECT_EQ(f.repaints, before + 1);
  f.editor.MouseDown(30, kWidth, "typed before Escape");
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "QrSetup");
  EXPECT_EQ(f.Highlights(), 1);
}

TEST(EditingTest, ScaledMetricsPlaceRowsPressesAndTheEditor) {
  Fixture f;
  const proplist::Metrics m = proplist::MetricsForDpi(144);
  f.editor.SetMetrics(m);
  f.editor.SetTextHeight(24);
  // Row tops are 30 apart: the save-path item's row starts at 120.
  f.editor.MouseDown(121, kWidth, "");
  ASSERT_EQ(f.list.FocusNode(), 1);
  proplist::EditorState s = f.editor.state();
  EXPECT_EQ(s.left, m.value_left);
  EXPECT_EQ(s.width, kWidth - m.value_left - m.picture_size);
  EXPECT_EQ(s.picture_left + m.picture_size, kWidth);
  EXPECT_EQ(s.picture_top, 120);
  EXPECT_EQ(s.height, 24);
  EXPECT_EQ(s.top, 120 + proplist::TextTop(24, m));
  EXPECT_LE(s.top + s.height, 120 + m.row_height - 1);
  // A press on the first pixel line of a scaled row hits nothing.
  f.editor.MouseDown(30, kWidth, "");
  EXPECT_EQ(f.list.FocusNode(), 1);
}

TEST(EditingTest, RelayoutMovesTheOpenEditorToTheNewMetrics) {
  Fixture f;
  f.editor.SetItemFocus("版本", kWidth, "");
  EXPECT_EQ(f.editor.state().top, 140 + 4);
  f.editor.SetMetrics(proplist::MetricsForDpi(192));
  f.editor.SetTextHeight(26);
  f.editor.Relayout(600);
  const proplist::EditorState& s = f.editor.state();
  EXPECT_TRUE(s.visible);
  EXPECT_EQ(s.top, 280 + proplist::TextTop(26, proplist::MetricsForDpi(192)));
  EXPECT_EQ(s.left, 207);
  EXPECT_EQ(s.width, 600 - 207);
  // Closed, it stays closed.
  f.editor.CommitOnEnter("2.0");
  f.editor.Relayout(300);
  EXPECT_FALSE(f.editor.state().visible);
}

}  // namespace

namespace {

// A choice item below the designed ones: rows 0..8, the choice at y 160..179.
struct ChoiceFixture : Fixture {
  ChoiceFixture() {
    list.AddItem(2, "压缩方式", "标准", 0, proplist::kKindChoice);
    list.SetChoices("压缩方式", {"标准", "紧凑"});
  }
};

TEST(ChoiceTest, APressSelectsWithoutAnEditorAndCommitsTheOpenEdit) {
  ChoiceFixture f;
  f.editor.MouseDown(30, kWidth, "");
  TextChange change = f.editor.MouseDown(170, kWidth, "新名字");
  EXPECT_FALSE(change.set_text);
  EXPECT_FALSE(change.select_all_and_focus);
  EXPECT_FALSE(f.editor.state().visible);
  EXPECT_FALSE(f.list.EditOpen());
  EXPECT_EQ(f.list.GetPropValue("软件名称"), "新名字");
  EXPECT_TRUE(f.list.Item(2, 2)->Highlighted);
  EXPECT_EQ(f.Highlights(), 1);
  EXPECT_EQ(f.list.GetPropValue("压缩方式"), "标准") << "a press alone changes nothing";
  // Named focus (as a build check would give) opens no editor either.
  EXPECT_FALSE(f.editor.SetItemFocus("压缩方式", kWidth, "").set_text);
  EXPECT_FALSE(f.list.EditOpen());
}

TEST(ChoiceTest, SteppingCyclesTheValuesAndCommitsTheOpenEdit) {
  ChoiceFixture f;
  f.editor.MouseDown(150, kWidth, "");
  ASSERT_EQ(f.list.FocusItem(), 1);
  f.repaints = 0;
  EXPECT_TRUE(f.editor.StepChoice(2, 2, "2.0"));
  EXPECT_EQ(f.list.GetPropValue("版本"), "2.0");
  EXPECT_EQ(f.list.GetPropValue("压缩方式"), "紧凑");
  EXPECT_FALSE(f.list.EditOpen());
  EXPECT_TRUE(f.list.Item(2, 2)->Highlighted);
  EXPECT_EQ(f.Highlights(), 1);
  EXPECT_GT(f.repaints, 0);
  EXPECT_TRUE(f.editor.StepChoice(2, 2, ""));
  EXPECT_EQ(f.list.GetPropValue("压缩方式"), "标准") << "from the last back to the first";
  // A value that is none of the choices steps to the first.
  f.list.SetPropValue("压缩方式", "其他");
  EXPECT_TRUE(f.list.StepChoice(2, 2));
  EXPECT_EQ(f.list.GetPropValue("压缩方式"), "标准");
}

TEST(ChoiceTest, OnlyChoiceItemsStep) {
  ChoiceFixture f;
  f.editor.MouseDown(30, kWidth, "");
  EXPECT_FALSE(f.editor.StepChoice(0, 1, "typed"));
  EXPECT_FALSE(f.editor.StepChoice(7, 0, "typed"));
  EXPECT_TRUE(f.list.EditOpen()) << "a refused step leaves the open edit alone";
  EXPECT_EQ(f.list.GetPropValue("软件名称"), "测试");
  EXPECT_EQ(f.list.GetPropValue("安装目录"), "QrSetup");
  // A choice item without values does not step.
  f.list.AddItem(2, "空", "", 0, proplist::kKindChoice);
  EXPECT_FALSE(f.list.StepChoice(2, 3));
  // SetChoices on a missing name changes nothing.
  f.list.SetChoices("没有", {"a"});
  EXPECT_EQ(f.list.Item(0, 0)->Kind, proplist::kKindText);
}

}  // namespace
