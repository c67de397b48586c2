// Recorded items: cursors, seeking, dropping the front, growing; and their
// replay into groups and blocks, which must give what writing each item
// does, wherever a replay starts or ends in a group or a block.

#include <gtest/gtest.h>

#include "codec/group_writer.h"
#include "codec/item_record.h"
#include "codec_test_util.h"

namespace {

struct Item {
  bool literal;
  int a;       // the byte, or the reference's position
  int length;  // 1 for a literal
};

std::vector<Item> RandomItems(size_t n, uint64_t seed) {
  const std::vector<uint8_t> r = codec_test::RandomBytes(3 * n, seed);
  std::vector<Item> items;
  for (size_t i = 0; i < n; ++i) {
    if (r[3 * i] % 3 == 0) {
      items.push_back({true, r[3 * i + 1], 1});
    } else {
      items.push_back({false, (r[3 * i + 1] << 4 | r[3 * i + 2]) & 0xFFF, 3 + r[3 * i + 2] % 16});
    }
  }
  return items;
}

template <class Out>
void Put(Out& out, const Item& it) {
  std::string err;
  if (it.literal) {
    out.Literal(static_cast<uint8_t>(it.a), &err);
  } else {
    out.Reference(it.a, it.length, &err);
  }
}

TEST(ItemRecord, CursorsSeekAndDrop) {
  const std::vector<Item> items = RandomItems(5000, 1);
  codec::ItemRecord rec;
  rec.Start(1000, 100);  // far less room than needed: it grows
  std::vector<int32_t> starts;
  int32_t at = 1000;
  for (const Item& it : items) {
    starts.push_back(at);
    Put(rec, it);
    at += it.length;
    // An encoder tells where it is now and then (after each read).
    if (starts.size() % 700 == 0) rec.Reached(at);
  }
  rec.Reached(at);
  EXPECT_EQ(rec.End().at, at);
  EXPECT_EQ(rec.End().item, 5000);

  codec::ItemRecord::Cursor c = rec.First();
  for (size_t i = 0; i < items.size(); ++i, rec.Step(&c)) {
    ASSERT_EQ(c.at, starts[i]);
    EXPECT_EQ(rec.IsLiteral(c.item), items[i].literal);
  }
  EXPECT_EQ(c.at, rec.End().at);

  for (int32_t index = 900; index <= at + 5; index += 7) {
    const codec::ItemRecord::Cursor s = rec.Seek(index);
    const size_t want = std::lower_bound(starts.begin(), starts.end(), index) - starts.begin();
    ASSERT_EQ(s.item, static_cast<int64_t>(want)) << index;
    if (want < starts.size()) {
      EXPECT_EQ(s.at, starts[want]);
    }
  }

  // Dropping the front keeps the rest as it was, seekable.
  const codec::ItemRecord::Cursor cut = rec.Seek(starts[2345]);
  rec.DropBefore(cut);
  EXPECT_EQ(rec.First().at, starts[2345]);
  EXPECT_EQ(rec.End().item, 5000 - 2345);
  c = rec.First();
  for (size_t i = 2345; i < items.size(); ++i, rec.Step(&c)) {
    ASSERT_EQ(c.at, starts[i]);
    ASSERT_EQ(rec.IsLiteral(c.item), items[i].literal) << i;
  }
  for (size_t i = 2345; i < items.size(); i += 13) EXPECT_EQ(rec.Seek(starts[i]).at, starts[i]);
  // Items added after the drop follow on.
  Put(rec, {true, 7, 1});
  rec.Reached(at + 1);
  EXPECT_EQ(rec.End().at, at + 1);
  EXPECT_EQ(rec.Seek(at).at, at);
  EXPECT_TRUE(rec.IsLiteral(rec.Seek(at).item));
}

TEST(ItemRecord, SameComparesWholeItems) {
  codec::ItemRecord a, b;
  a.Start(0, 10);
  b.Start(0, 10);
  std::string err;
  a.Literal(5, &err);
  b.Literal(5, &err);
  a.Reference(0x123, 7, &err);
  b.Reference(0x123, 8, &err);
  a.Reference(0x124, 7, &err);
  b.Reference(0x123, 7, &err);
  a.Literal(0x23, &err);  // the same first byte as a reference to 0x123
  b.Reference(0x123, 7, &err);
  codec::ItemRecord::Cursor x = a.First(), y = b.First();
  EXPECT_TRUE(a.Same(x, b, y));
  a.Step(&x);
  b.Step(&y);
  EXPECT_FALSE(a.Same(x, b, y));
  a.Step(&x);
  b.Step(&y);
  EXPECT_FALSE(a.Same(x, b, y));
  a.Step(&x);
  b.Step(&y);
  EXPECT_FALSE(a.Same(x, b, y));
}

// Every split of a long run of items into an item-by-item part, a replayed
// part and an item-by-item part gives the stream of writing them one by one.
TEST(ItemRecord, ReplayWritesWhatEachItemWould) {
  const std::vector<Item> items = RandomItems(30000, 2);  // about 50 KB: two blocks
  const std::vector<uint8_t> code = codec_test::Code8192();
  auto stream = [&](size_t from, size_t to) {
    std::vector<uint8_t> bytes;
    codec::WriteFn write = [&](const uint8_t* p, size_t n, std::string*) {
      bytes.insert(bytes.end(), p, p + n);
      return true;
    };
    codec::GroupWriter out(write, code);
    codec::ItemRecord rec;
    rec.Start(0, 1000);
    int32_t at = 0;
    for (const Item& it : items) {
      Put(rec, it);
      at += it.length;
    }
    rec.Reached(at);
    for (size_t i = 0; i < from; ++i) Put(out, items[i]);
    std::string err;
    codec::ItemRecord::Cursor a = rec.First();
    while (a.item < static_cast<int64_t>(from)) rec.Step(&a);
    codec::ItemRecord::Cursor b = a;
    while (b.item < static_cast<int64_t>(to)) rec.Step(&b);
    EXPECT_TRUE(out.Items(rec, a, b, &err));
    for (size_t i = to; i < items.size(); ++i) Put(out, items[i]);
    EXPECT_TRUE(out.Finish(&err));
    return bytes;
  };
  const std::vector<uint8_t> one_by_one = stream(0, 0);
  ASSERT_GT(one_by_one.size(), 40960u);
  EXPECT_EQ(stream(0, items.size()), one_by_one);
  for (size_t from = 0; from < 12; ++from) {
    for (size_t to = from; to < from + 12; ++to) EXPECT_EQ(stream(from, to), one_by_one) << from << " " << to;
  }
  // Replays that end or start around the item whose group crosses the first
  // block's end.
  size_t edge = 0;
  for (size_t bytes = 0; bytes < 40960; edge += 8) {
    bytes += 1;
    for (size_t i = edge; i < edge + 8; ++i) bytes += items[i].literal ? 1 : 2;
  }
  for (size_t from : {edge - 500, edge - 20, edge - 9, edge - 8, edge - 1, edge}) {
    for (size_t to = std::max(from, edge - 20); to < edge + 20; ++to)
      EXPECT_EQ(stream(from, to), one_by_one) << from << " " << to;
  }
}

}  // namespace
