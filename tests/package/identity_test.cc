// The product's identity in the programs of a package: version numbers and
// resource, icons and their refusals, the resource tree and the rewrite of
// our stub images, and the builds that carry them.

#include "gtest/gtest.h"
#include "identity_test_util.h"
#include "package/byte_fields.h"
#include "package/icon_file.h"
#include "package/identity_resources.h"
#include "package/messages.h"
#include "package/pe_resources.h"
#include "package/product_identity.h"
#include "package/version_resource.h"

namespace {

using namespace package;
using namespace identity_test;

std::span<const uint8_t> View(const std::string& s) { return bytes::View(s); }

TEST(VersionNumbers, FourNumbersOrNone) {
  struct Case {
    const char* text;
    bool parses;
    std::array<uint16_t, 4> numbers;
  } cases[] = {
      {"1", true, {1, 0, 0, 0}},          {"2.1.0", true, {2, 1, 0, 0}},
      {"1.2.3.4", true, {1, 2, 3, 4}},    {"65535.0.0.65535", true, {65535, 0, 0, 65535}},
      {"007.010", true, {7, 10, 0, 0}},   {"", false, {}},
      {"1.", false, {}},                  {".1", false, {}},
      {"1..2", false, {}},                {"1.2.3.4.5", false, {}},
      {"65536", false, {}},               {"1.0 beta", false, {}},
      {"v1.0", false, {}},                {"99999999999999999999", false, {}},
  };
  for (const Case& c : cases) {
    std::array<uint16_t, 4> n{9, 9, 9, 9};
    EXPECT_EQ(ParseVersionNumbers(c.text, &n), c.parses) << c.text;
    if (c.parses) {
      EXPECT_EQ(n, c.numbers) << c.text;
    }
  }
}

TEST(VersionResource, ReadsBackWhatItWrites) {
  VersionInfo info;
  info.file_version = {2, 1, 0, 7};
  info.product_version = {3, 0, 0, 0};
  info.language = 0x0804;
  info.code_page = 1200;
  info.strings = {{"ProductName", "我的工具"}, {"CompanyName", ""}, {"Odd", "a"}, {"Comments", "x y z"}};
  std::string data = BuildVersionResource(info);
  VersionInfo back;
  ASSERT_TRUE(ParseVersionResource(View(data), &back));
  EXPECT_EQ(back.file_version, info.file_version);
  EXPECT_EQ(back.product_version, info.product_version);
  EXPECT_EQ(back.language, 0x0804);
  EXPECT_EQ(back.code_page, 1200);
  EXPECT_EQ(back.strings, info.strings);
  // Cut anywhere, it is refused or read without reaching past its end.
  for (size_t n = 0; n < data.size(); ++n) {
    std::string cut = data.substr(0, n);
    ParseVersionResource(View(cut), &back);
  }
  EXPECT_FALSE(ParseVersionResource(View(data.substr(0, 40)), &back));
}

TEST(VersionResource, TheProgramsStringsNameTheProduct) {
  ProductIdentity id{"我的工具", "示例工作室", "2.1.0", "MyToolSetup.exe", std::nullopt};
  VersionInfo setup = ProgramVersionInfo(id, IdentityProgram::kSetup);
  VersionInfo uninst = ProgramVersionInfo(id, IdentityProgram::kUninstaller);
  EXPECT_EQ(setup.file_version, (std::array<uint16_t, 4>{2, 1, 0, 0}));
  EXPECT_EQ(*setup.Find("FileDescription"), "我的工具 安装程序");
  EXPECT_EQ(*uninst.Find("FileDescription"), "我的工具 卸载程序");
  EXPECT_EQ(*setup.Find("OriginalFilename"), "MyToolSetup.exe");
  EXPECT_EQ(*uninst.Find("OriginalFilename"), "uninst.exe");
  EXPECT_EQ(*setup.Find("LegalCopyright"), "版权所有 © 示例工作室");
  EXPECT_EQ(*setup.Find("QrMakerVersion"), BuilderVersion());
  id.version = "1.0 beta";
  id.publisher = "";
  VersionInfo text_only = ProgramVersionInfo(id, IdentityProgram::kSetup);
  EXPECT_EQ(text_only.file_version, (std::array<uint16_t, 4>{}));
  EXPECT_EQ(*text_only.Find("ProductVersion"), "1.0 beta");
  EXPECT_EQ(*text_only.Find("LegalCopyright"), "");
}

TEST(IconFile, ReadsDibAndPngImages) {
  std::string file = IcoFile({{16, 16, DibImage(16, 16, 1)}, {256, 256, PngImage(256, 256)}});
  Icon icon;
  ASSERT_EQ(ParseIconFile(View(file), &icon), IconProblem::kNone);
  ASSERT_EQ(icon.images.size(), 2u);
  EXPECT_EQ(icon.images[0].width, 16);
  EXPECT_EQ(icon.images[0].data, DibImage(16, 16, 1));
  EXPECT_EQ(icon.images[1].width, 0);  // 256
  EXPECT_EQ(IconFileBytes(icon), file);
}

TEST(IconFile, RefusesWhatIsNoSoundIconOfAllowedSize) {
  std::string good = IcoFile({{32, 32, DibImage(32, 32, 2)}});
  auto with = [&](size_t at, std::string bytes) {
    std::string f = good;
    f.replace(at, bytes.size(), bytes);
    return f;
  };
  std::string huge_dib = DibImage(300, 300, 3);
  struct Case {
    const char* what;
    std::string file;
    IconProblem problem;
  } cases[] = {
      {"text", "just some text, no icon", IconProblem::kNotIcon},
      {"a cursor", with(2, std::string("\x02\x00", 2)), IconProblem::kNotIcon},
      {"no images", with(4, std::string("\x00\x00", 2)), IconProblem::kDamaged},
      {"table cut short", good.substr(0, 12), IconProblem::kDamaged},
      {"image cut short", good.substr(0, good.size() - 1), IconProblem::kDamaged},
      {"image past the end", with(18, std::string("\xFF\xFF\x00\x00", 4)), IconProblem::kDamaged},
      {"no planes", with(22 + 12, std::string("\x00\x00", 2)), IconProblem::kDamaged},
      {"odd bit count", with(22 + 14, std::string("\x05\x00", 2)), IconProblem::kDamaged},
      {"DIB 300 wide", IcoFile({{300, 300, huge_dib}}), IconProblem::kTooBig},
      {"PNG 257 high", IcoFile({{16, 16, PngImage(16, 257)}}), IconProblem::kTooBig},
      {"PNG 0 wide", IcoFile({{16, 16, PngImage(0, 16)}}), IconProblem::kDamaged},
      {"over 1 MB", IcoFile({{256, 256, DibImage(256, 256, 4)}, {256, 256, DibImage(256, 256, 5)},
                             {256, 256, DibImage(256, 256, 6)}, {256, 256, DibImage(256, 256, 7)}}),
       IconProblem::kTooLarge},
  };
  for (const Case& c : cases) {
    Icon icon;
    EXPECT_EQ(ParseIconFile(View(c.file), &icon), c.problem) << c.what;
  }
}

// A resource section alone, as the tree reader sees an image.
PeHeaders SectionOnly(size_t size) {
  PeHeaders pe;
  pe.is_pe = true;
  PeSection s;
  s.name = ".rsrc";
  s.raw_size = static_cast<int64_t>(size);
  s.virtual_address = 0x1000;
  s.virtual_size = static_cast<uint32_t>(size);
  pe.sections = {s};
  pe.directories.resize(3);
  pe.directories[kResourceDirectory] = {0x1000, static_cast<uint32_t>(size), -1};
  return pe;
}

TEST(ResourceTree, WritesTheTreeItReads) {
  std::vector<Resource> in = {
      {{24, {}}, {1, {}}, 0x409, 0, "<manifest/>"},
      {{kRtRcData, {}}, {0, u"ZETA"}, 0, 0, "z"},
      {{kRtRcData, {}}, {0, u"ALPHA"}, 0, 0, "a"},
      {{kRtRcData, {}}, {7, {}}, 0x804, 1200, std::string(1000, 'x')},
      {{kRtRcData, {}}, {7, {}}, 0x409, 0, "en"},
      {{0, u"MYTYPE"}, {3, {}}, 0, 0, ""},
  };
  std::string section = BuildResourceSection(in, 0x1000);
  std::vector<Resource> out;
  std::string err;
  ASSERT_TRUE(ReadResources(View(section), SectionOnly(section.size()), &out, &err)) << err;
  ASSERT_EQ(out.size(), in.size());
  // Named types first, then numbers; within a type names, then numbers.
  std::vector<std::string> order;
  for (const Resource& r : out) order.push_back(r.data.substr(0, 3));
  EXPECT_EQ(order, (std::vector<std::string>{"", "a", "z", "en", "xxx", "<ma"}));
  EXPECT_EQ(out[4].code_page, 1200u);
  EXPECT_EQ(out[4].language, 0x804);
  EXPECT_EQ(BuildResourceSection(out, 0x1000), section);
}

TEST(ResourceTree, RefusesHostileTrees) {
  std::string one = BuildResourceSection({{{kRtRcData, {}}, {1, {}}, 0, 0, "data"}}, 0x1000);
  std::vector<Resource> out;
  std::string err;
  auto read = [&](const std::string& s) { return ReadResources(View(s), SectionOnly(s.size()), &out, &err); };
  ASSERT_TRUE(read(one));
  // The root's entry pointing at the root again: a loop.
  std::string loop = one;
  bytes::Set32(&loop, 16 + 4, 0x80000000u);
  EXPECT_FALSE(read(loop));
  // The leaf's data past the section.
  std::string past = one;
  size_t leaf = 3 * 24;
  bytes::Set32(&past, leaf + 4, 100000);
  EXPECT_FALSE(read(past));
  // A table that claims more entries than the section holds.
  std::string many = one;
  bytes::Set16(&many, 14, 0xFFFF);
  EXPECT_FALSE(read(many));
  // A table of 65535 entries that all lead to one table of 65535 entries
  // that all lead to one empty table: refused without walking 4e9 entries.
  const size_t table = 16 + 8 * 0xFFFF;
  std::string wide(2 * table + 16, '\0');
  for (size_t t = 0; t < 2; ++t) {
    bytes::Set16(&wide, t * table + 14, 0xFFFF);
    for (size_t i = 0; i < 0xFFFF; ++i)
      bytes::Set32(&wide, t * table + 16 + 8 * i + 4, 0x80000000u | static_cast<uint32_t>((t + 1) * table));
  }
  EXPECT_FALSE(read(wide));
}

TEST(PeHeaders, ASectionSpansItsVirtualSize) {
  PeHeaders pe;
  PeSection idata, rsrc;
  idata.virtual_address = 0xD000;
  idata.virtual_size = 0x1400;
  idata.raw_offset = 0xB000;
  idata.raw_size = 0x2000;  // file alignment past the virtual size
  rsrc.virtual_address = 0xF000;
  rsrc.virtual_size = 0x100;
  rsrc.raw_offset = 0xD000;
  rsrc.raw_size = 0x200;
  pe.sections = {idata, rsrc};
  EXPECT_EQ(pe.SectionAtRva(0xF000, 0), &pe.sections[1]);
  EXPECT_EQ(pe.SectionAtRva(0xE400, 0), nullptr);
  EXPECT_EQ(pe.SectionAtRva(0xE3FF, 1), &pe.sections[0]);
  EXPECT_EQ(pe.SectionAtRva(0xE3FF, 2), nullptr);
  EXPECT_EQ(pe.RvaToOffset(0xF010, 0x10), 0xD010);
  EXPECT_EQ(pe.RvaToOffset(0xF0F0, 0x20), -1);
}

class StubImageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setup_ = StubImage("setup");
    if (setup_.empty()) GTEST_SKIP() << "no stub programs in this build";
  }
  std::vector<Resource> Resources(const std::string& image) {
    std::vector<Resource> r;
    std::string err;
    EXPECT_TRUE(ReadResources(View(image), ParsePeHeaders(View(image)), &r, &err)) << err;
    return r;
  }
  std::string setup_;
};

TEST_F(StubImageTest, OurStubsDeclareTheCapability) {
  EXPECT_TRUE(DeclaresIdentity(Resources(setup_)));
  EXPECT_TRUE(DeclaresIdentity(Resources(StubImage("uninst"))));
  EXPECT_FALSE(DeclaresIdentity(Resources(WithoutMark(setup_))));
}

TEST_F(StubImageTest, RewritingMovesTheRelocationsAndKeepsTheRest) {
  PeHeaders before = ParsePeHeaders(View(setup_));
  std::vector<Resource> resources = Resources(setup_);
  resources.push_back({{kRtRcData, {}}, {99, {}}, 0, 0, std::string(20000, 'r')});
  std::string image = setup_;
  std::string err;
  ASSERT_TRUE(ReplaceResources(&image, resources, &err)) << err;
  PeHeaders after = ParsePeHeaders(View(image));
  EXPECT_EQ(Resources(image).size(), resources.size());
  const PeSection* old_reloc = before.FindSection(".reloc");
  const PeSection* new_reloc = after.FindSection(".reloc");
  ASSERT_TRUE(old_reloc && new_reloc);
  EXPECT_EQ(image.substr(new_reloc->raw_offset, new_reloc->raw_size),
            setup_.substr(old_reloc->raw_offset, old_reloc->raw_size));
  EXPECT_EQ(after.Directory(kRelocationDirectory)->rva, new_reloc->virtual_address);
  EXPECT_EQ(new_reloc->virtual_address % after.section_alignment, 0u);
  EXPECT_GE(new_reloc->virtual_address, after.FindSection(".rsrc")->virtual_address + 20000);
  EXPECT_EQ(new_reloc->raw_offset + new_reloc->raw_size, static_cast<int64_t>(image.size()));
  // Everything before the resource section is as it was, but the headers.
  int64_t rsrc = before.FindSection(".rsrc")->raw_offset;
  EXPECT_EQ(image.substr(before.size_of_headers, rsrc - before.size_of_headers),
            setup_.substr(before.size_of_headers, rsrc - before.size_of_headers));
  EXPECT_EQ(bytes::Get32(View(image), after.checksum_at), PeChecksum(View(image), after.checksum_at));
  // Written back with the resources it had, it is the original again.
  ASSERT_TRUE(ReplaceResources(&image, Resources(setup_), &err)) << err;
  PeHeaders again = ParsePeHeaders(View(image));
  EXPECT_EQ(again.FindSection(".reloc")->virtual_address, old_reloc->virtual_address);
}

TEST_F(StubImageTest, ImagesOfOtherShapesAreLeftAlone) {
  std::string err;
  std::string not_pe(20000, 'x');
  EXPECT_FALSE(ReplaceResources(&not_pe, {}, &err));
  EXPECT_EQ(not_pe, std::string(20000, 'x'));
  std::string overlay = setup_ + "appended";
  EXPECT_FALSE(ReplaceResources(&overlay, {}, &err));
  EXPECT_EQ(overlay, setup_ + "appended");
}

}  // namespace
