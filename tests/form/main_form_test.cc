#include "form/main_form.h"

#include <gtest/gtest.h>

#include "platform/files.h"
#include "proplist/layout.h"

namespace {

TEST(MainFormTest, ThreeGroupsFiveItemsWithDefaults) {
  proplist::PropertyList list;
  form::FillMainProperties(&list);
  ASSERT_EQ(list.NodeCount(), 3);
  const auto& n = list.Nodes();
  EXPECT_EQ(n[0].Caption, "安装信息(必填)");
  EXPECT_EQ(n[1].Caption, "生成(必填)");
  EXPECT_EQ(n[2].Caption, "控制面板(可选)");
  ASSERT_EQ(n[0].ItemCount(), 2);
  ASSERT_EQ(n[1].ItemCount(), 1);
  ASSERT_EQ(n[2].ItemCount(), 2);

  struct Expected { int g, i; const char* name; const char* value; int16_t max; int32_t kind; };
  const Expected items[] = {
      {0, 0, "软件名称", "测试", 20, 0},
      {0, 1, "安装目录", "QrSetup", 20, 0},
      {1, 0, "安装包保存路径", "", 260, 1},
      {2, 0, "发行商", "Quorin软件工作室", 20, 0},
      {2, 1, "版本", "1.0.0.0", 20, 0},
  };
  for (const Expected& e : items) {
    const proplist::PropItem* item = list.Item(e.g, e.i);
    ASSERT_TRUE(item);
    EXPECT_EQ(item->Name, e.name);
    EXPECT_EQ(item->Value, e.value);
    EXPECT_EQ(item->MaxLen, e.max);
    EXPECT_EQ(item->Kind, e.kind);
    EXPECT_FALSE(item->Highlighted);
  }
  EXPECT_EQ(proplist::ContentHeight(list), 160);
}

TEST(MainFormTest, TheCompressionRowFollowsTheFiveItems) {
  proplist::PropertyList list;
  form::FillMainProperties(&list);
  form::AddCompressionChoice(&list);
  ASSERT_EQ(list.Nodes()[2].ItemCount(), 3);
  EXPECT_EQ(list.Item(2, 1)->Name, "版本");
  const proplist::PropItem* row = list.Item(2, 2);
  EXPECT_EQ(row->Name, "压缩方式");
  EXPECT_EQ(row->Value, "标准");
  EXPECT_EQ(row->Kind, proplist::kKindChoice);
  EXPECT_EQ(row->Choices, (std::vector<std::string>{"标准", "紧凑"}));
}

TEST(MainFormTest, DefaultSavePath) {
  const char s = platform::kPathSeparator;
  std::string tools = std::string("C:") + s + "Tools";
  EXPECT_EQ(form::DefaultSavePath(tools), tools + s + "QrSetup.exe");
  std::string root = std::string("E:") + s;
  EXPECT_EQ(form::DefaultSavePath(root), root + "QrSetup.exe");

  proplist::PropertyList list;
  form::FillMainProperties(&list);
  int repaints = 0;
  list.OnRepaint = [&] { ++repaints; };
  form::SetDefaultSavePath(&list, tools);
  EXPECT_EQ(list.GetPropValue("安装包保存路径"), tools + s + "QrSetup.exe");
  EXPECT_EQ(repaints, 1);
}

}  // namespace
