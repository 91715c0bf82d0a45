#include "util/DataHash.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace {

using Store = util::DataHash<std::string, int>;

// Stores iterate in bucket order of this hash, so however it is computed it
// must equal h = 5 * h + byte for every length and byte value.
TEST(StringHashTest, EqualsTheByteByByteFormulaAtEveryLength) {
  util::StringHash hash;
  std::string key;
  for (int length = 0; length <= 70; ++length) {
    uint32_t expected = 0;
    for (unsigned char c : key)
      expected = 5 * expected + c;
    EXPECT_EQ(hash(key), expected) << "length " << length;
    key += static_cast<char>((length * 37 + 11) & 0xFF);
  }
}

// A derived store that redefines what counts as present changes addData.
class EverythingExists : public Store {
 public:
  bool dataExists(const std::string&) const override { return true; }
};

TEST(DataHashTest, AddSetFindAndRemove) {
  Store store;
  store.addData("a", 1);
  try {
    store.addData("a", 2);
    FAIL() << "expected duplicate_key_error";
  } catch (const util::duplicate_key_error& e) {
    EXPECT_STREQ(e.what(), "key already exists\n");
  }
  EXPECT_EQ(store.findData("a"), 1);  // the stored value is left alone
  try {
    store.findData("missing");
    FAIL() << "expected key_notfound_error";
  } catch (const util::key_notfound_error& e) {
    EXPECT_STREQ(e.what(), "key not found\n");
  }
  store.setData("a", 3);
  EXPECT_EQ(store.findData("a"), 3);
  store.removeData("nothing");  // no error
  store.removeData("a");
  EXPECT_FALSE(store.dataExists("a"));
  EXPECT_THROW(EverythingExists().addData("fresh", 1), util::duplicate_key_error);
}

TEST(DataHashTest, IteratesInAscendingBucketOrder) {
  Store store;
  for (int i = 0; i < 500; ++i)
    store.addData("table_" + std::to_string(i * 7919 % 1000), i);
  std::size_t previous = 0, visited = 0;
  for (const auto& entry : store) {
    std::size_t bucket = util::StringHash()(entry.first) % store.data.bucket_count();
    EXPECT_LE(previous, bucket) << entry.first;
    previous = bucket;
    ++visited;
  }
  EXPECT_EQ(visited, 500u);
}

TEST(DataHashTest, CopyIteratesLikeTheOriginalAfterErasures) {
  Store store;
  for (int i = 0; i < 100; ++i)
    store.addData("k" + std::to_string(i), i);
  for (int i = 0; i < 90; ++i)
    store.removeData("k" + std::to_string(i));
  Store copy = store;
  std::vector<std::string> a, b;
  for (const auto& entry : store)
    a.push_back(entry.first);
  for (const auto& entry : copy)
    b.push_back(entry.first);
  EXPECT_EQ(a, b);
  EXPECT_EQ(copy.size(), 10u);
}

TEST(DataHashTest, ReferencesSurviveGrowth) {
  util::DataHash<std::string, std::shared_ptr<int>> store;
  store.addData("first", std::make_shared<int>(7));
  std::shared_ptr<int>& first = store.findData("first");
  for (int i = 0; i < 2000; ++i)
    store.addData(std::to_string(i), std::make_shared<int>(i));
  EXPECT_EQ(*first, 7);
  EXPECT_EQ(&first, &store.findData("first"));
}

TEST(DataHashTest, EraseWhileIterating) {
  Store store;
  for (int i = 0; i < 50; ++i)
    store.addData(std::to_string(i), i);
  for (auto it = store.data.begin(); it != store.data.end();) {
    it = (it->second % 2 == 0) ? store.data.erase(it) : std::next(it);
  }
  EXPECT_EQ(store.size(), 25u);
  for (const auto& entry : store)
    EXPECT_EQ(entry.second % 2, 1);
}

}  // namespace
