#pragma once
// The compiler's own growable vector and chained hash dictionary. They keep the growth
// rule, the NotFound value, the messages and the hash functions that the rest of the
// compiler (and the order of some generated code) relies on.

#include <cassert>
#include <cstdint>
#include <algorithm>
#include <memory>
#include <memory_resource>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "ascompiler/errors.h"
#include "core/text.h"

namespace fc {

inline constexpr int NotFound = INT32_MIN;

// Growable array: capacity 4 at first, then +4 below 9, +16 up to 64, +capacity/4 above.
template <typename T>
class TVector {
public:
  explicit TVector(const char* class_name = "TVector") : class_name_(class_name) {}

  int Count() const { return static_cast<int>(items_.size()); }
  int Capacity() const { return capacity_; }
  bool Empty() const { return items_.empty(); }
  void Clear() { items_.clear(); }

  void Reserve(int n) {
    if (n > capacity_) SetCapacity(n);
  }
  void Add(T value) {
    Grow();
    items_.push_back(std::move(value));
  }
  void Insert(int index, T value) {
    if (index != Count()) Check(index);
    Grow();
    items_.insert(items_.begin() + index, std::move(value));
  }
  void Delete(int index) {
    Check(index);
    items_.erase(items_.begin() + index);
  }
  void Remove(const T& value) {
    const int i = IndexOf(value);
    if (i != NotFound) Delete(i);
  }
  void Exchange(int i, int j) {
    Check(i);
    Check(j);
    std::swap(items_[i], items_[j]);
  }
  int IndexOf(const T& value) const {
    for (int i = 0; i < Count(); ++i)
      if (items_[i] == value) return i;
    return NotFound;
  }
  T& operator[](int i) {
    Check(i);
    return items_[i];
  }
  const T& operator[](int i) const {
    Check(i);
    return items_[i];
  }
  T& Peek() {
    if (items_.empty()) throw EVectorRangeError(Format("%s: Invalid Peek call. Vector is empty.", class_name_), -1);
    return items_.back();
  }
  T Pop() {
    if (items_.empty()) throw EVectorRangeError(Format("%s: Invalid Pop call. Vector is empty.", class_name_), -1);
    T value = std::move(items_.back());
    items_.pop_back();
    return value;
  }
  // Quicksort around the middle element; recurses into the smaller part, loops on the larger.
  template <typename Compare>
  void Sort(Compare compare) {
    if (Count() > 1) QuickSort(0, Count() - 1, compare);
  }
  // Binary search; `where(item)` < 0 means the wanted element lies before item. Returns the
  // first matching index or NotFound.
  template <typename Where>
  int Search(Where where) const {
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
      const int mid = (lo + hi) / 2;
      const int c = where(items_[mid]);
      if (c < 0) hi = mid - 1;
      else if (c > 0) lo = mid + 1;
      else {
        int first = mid;
        while (first > 0 && where(items_[first - 1]) == 0) --first;
        return first;
      }
    }
    return NotFound;
  }
  void Assign(const TVector& source) {
    items_ = source.items_;
    capacity_ = std::max(capacity_, source.capacity_);
  }
  TVector Copy() const {
    TVector v(class_name_);
    v.Assign(*this);
    return v;
  }

  auto begin() { return items_.begin(); }
  auto end() { return items_.end(); }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

private:
  void Check(int i) const {
    if (i < 0 || i >= Count())
      throw EVectorRangeError(Format("%s: bounds check error. Incorrect index = %d", class_name_, i), i);
  }
  void Grow() {
    if (items_.capacity() == 0) items_.reserve(capacity_);
    if (Count() < capacity_) return;
    const int delta = capacity_ > 64 ? capacity_ / 4 : capacity_ < 9 ? 4 : 16;
    SetCapacity(capacity_ + delta);
  }
  void SetCapacity(int n) {
    capacity_ = n;
    items_.reserve(n);
  }
  // The capacity is reserved on the first append: many lists stay short or empty.
  template <typename Compare>
  void QuickSort(int l, int r, Compare& compare) {
    while (l < r) {
      int i = l, j = r;
      const T pivot = items_[(l + r) / 2];
      while (i <= j) {
        while (compare(items_[i], pivot) < 0) ++i;
        while (compare(items_[j], pivot) > 0) --j;
        if (i <= j) std::swap(items_[i++], items_[j--]);
      }
      if (j - l < r - i) {
        QuickSort(l, j, compare);
        l = i;
      } else {
        QuickSort(i, r, compare);
        r = j;
      }
    }
  }

  const char* class_name_;
  int capacity_ = 4;
  std::vector<T> items_;
};

// A vector of plain values (pointers, ids) that keeps its first N items inside itself and the
// rest in an arena. The parse tree's lists are mostly short argument and expression lists:
// kept inline they cost no allocation, and since a longer list lives in the arena of its
// compile unit, the vector needs no destructor (the unit frees the arena as a whole). The
// arena must be given before the list outgrows its inline items, and must outlive it.
// Indexing is checked like TVector's.
template <typename T, int N>
class TSmallVector {
  static_assert(std::is_trivially_copyable_v<T> && N > 0);

public:
  explicit TSmallVector(const char* class_name = "TVector", std::pmr::memory_resource* arena = nullptr)
      : class_name_(class_name), arena_(arena) {}
  TSmallVector(const TSmallVector&) = delete;
  TSmallVector& operator=(const TSmallVector&) = delete;

  void SetArena(std::pmr::memory_resource* arena) { arena_ = arena; }

  int Count() const { return count_; }
  bool Empty() const { return count_ == 0; }
  size_t size() const { return static_cast<size_t>(count_); }
  bool empty() const { return count_ == 0; }

  void Add(T value) {
    if (count_ == capacity_) Grow();
    data_[count_++] = value;
  }
  void Insert(int index, T value) {
    if (index != count_) Check(index);
    if (count_ == capacity_) Grow();
    std::copy_backward(data_ + index, data_ + count_, data_ + count_ + 1);
    data_[index] = value;
    ++count_;
  }
  void Delete(int index) {
    Check(index);
    std::copy(data_ + index + 1, data_ + count_, data_ + index);
    --count_;
  }
  int IndexOf(const T& value) const {
    for (int i = 0; i < count_; ++i)
      if (data_[i] == value) return i;
    return NotFound;
  }
  T& operator[](int i) {
    Check(i);
    return data_[i];
  }
  const T& operator[](int i) const {
    Check(i);
    return data_[i];
  }

  T* begin() { return data_; }
  T* end() { return data_ + count_; }
  const T* begin() const { return data_; }
  const T* end() const { return data_ + count_; }

private:
  void Check(int i) const {
    if (i < 0 || i >= count_)
      throw EVectorRangeError(Format("%s: bounds check error. Incorrect index = %d", class_name_, i), i);
  }
  void Grow() {
    if (!arena_) throw std::logic_error("TSmallVector: no arena for items beyond the inline ones");
    const int capacity = capacity_ * 2;
    // The old block stays in the arena until the unit goes.
    T* items = static_cast<T*>(arena_->allocate(sizeof(T) * static_cast<size_t>(capacity), alignof(T)));
    std::copy(data_, data_ + count_, items);
    data_ = items;
    capacity_ = capacity;
  }

  const char* class_name_;
  std::pmr::memory_resource* arena_;
  T* data_ = inline_;
  int count_ = 0;
  int capacity_ = N;
  T inline_[N];
};

// Hash of a string key: byte i (1-based) is shifted left by 8 * (i mod 4), summed with wrap.
inline uint32_t StringHash(std::string_view key) {
  uint32_t h = 0;
  for (size_t i = 0; i < key.size(); ++i)
    h += static_cast<uint32_t>(static_cast<uint8_t>(key[i])) << (8 * ((i + 1) % 4));
  return h;
}
inline uint32_t IntHash(int32_t key) { return static_cast<uint32_t>(key); }

struct TStringKeyHash {
  uint32_t operator()(std::string_view key) const { return StringHash(key); }
};
struct TIntKeyHash {
  uint32_t operator()(int32_t key) const { return IntHash(key); }
};

inline constexpr int kDictBuckets = 113;

// Chained hash dictionary. New items go to the head of their bucket's chain; iteration visits
// buckets in index order and each chain from its head.
template <typename TKey, typename TValue, typename THashFn>
class THash {
public:
  struct TItem {
    TKey Key;
    TValue Value{};
    std::unique_ptr<TItem> Next;
  };

  explicit THash(int buckets = kDictBuckets, bool strict_read = false) : strict_read_(strict_read) {
    assert(buckets >= 1);
    buckets_.resize(buckets);
  }

  int Count() const { return count_; }
  int BucketCount() const { return static_cast<int>(buckets_.size()); }

  // Any key type that compares with TKey and that THashFn accepts (a string_view for strings).
  template <typename K = TKey>
  TItem* Find(const K& key) const {
    for (TItem* item = buckets_[Bucket(key)].get(); item; item = item->Next.get())
      if (item->Key == key) return item;
    return nullptr;
  }
  TItem* FindOrAdd(const TKey& key) {
    if (TItem* item = Find(key)) return item;
    auto& head = buckets_[Bucket(key)];
    auto item = std::make_unique<TItem>();
    item->Key = key;
    item->Next = std::move(head);
    head = std::move(item);
    ++count_;
    return head.get();
  }
  void Remove(const TKey& key) {
    for (std::unique_ptr<TItem>* link = &buckets_[Bucket(key)]; *link; link = &(*link)->Next) {
      if ((*link)->Key == key) {
        *link = std::move((*link)->Next);
        --count_;
        return;
      }
    }
  }
  ~THash() { Clear(); }
  THash(const THash&) = delete;
  THash& operator=(const THash&) = delete;

  // Chains are unlinked one item at a time so that a long chain never recurses.
  void Clear() {
    for (auto& head : buckets_)
      while (head) head = std::move(head->Next);
    count_ = 0;
  }
  void Rehash(int n) {
    assert(n >= 1);
    std::vector<std::unique_ptr<TItem>> old = std::move(buckets_);
    buckets_.clear();
    buckets_.resize(n);
    for (auto& head : old) {
      while (head) {
        std::unique_ptr<TItem> item = std::move(head);
        head = std::move(item->Next);
        auto& dest = buckets_[Bucket(item->Key)];
        item->Next = std::move(dest);
        dest = std::move(item);
      }
    }
  }
  TValue Get(const TKey& key) {
    if (TItem* item = Find(key)) return item->Value;
    if (strict_read_) throw EDictKeyNotFound("TDict.GetItem: Key not found.");
    return FindOrAdd(key)->Value;
  }
  void Set(const TKey& key, TValue value) { FindOrAdd(key)->Value = std::move(value); }

  template <typename Visit>
  void ForEach(Visit visit) const {
    for (const auto& head : buckets_)
      for (const TItem* item = head.get(); item; item = item->Next.get()) visit(item->Key, item->Value);
  }

private:
  template <typename K>
  size_t Bucket(const K& key) const {
    return THashFn{}(key) % static_cast<uint32_t>(buckets_.size());
  }

  std::vector<std::unique_ptr<TItem>> buckets_;
  int count_ = 0;
  bool strict_read_;
};

}  // namespace fc
