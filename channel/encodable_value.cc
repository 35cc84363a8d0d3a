#include "channel/encodable_value.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <type_traits>

namespace flutter {

namespace {

const EncodableVariant& AsVariant(const EncodableValue& value) { return value; }

int Compare(const EncodableValue& a, const EncodableValue& b);

template <typename T>
int CompareOrdered(const T& left, const T& right) {
  return left < right ? -1 : (right < left ? 1 : 0);
}

// Numeric order, with NaN after every number and equivalent only to NaN, so that the ordering
// stays a strict weak ordering, as map keys need.
template <typename T>
int CompareFloats(T left, T right) {
  const bool left_nan = std::isnan(left);
  const bool right_nan = std::isnan(right);
  if (left_nan || right_nan) {
    return CompareOrdered(left_nan, right_nan);
  }
  return CompareOrdered(left, right);
}

// Lexicographic through |compare|. Lists are walked once, element by element: their own operator<
// would compare each pair of equivalent elements twice, so the work would double with every level
// of nesting.
template <typename T, typename ElementOrder>
int CompareSequences(const std::vector<T>& left, const std::vector<T>& right,
                     ElementOrder compare) {
  const size_t common = std::min(left.size(), right.size());
  for (size_t i = 0; i < common; ++i) {
    if (const int order = compare(left[i], right[i])) return order;
  }
  return CompareOrdered(left.size(), right.size());
}

int CompareMaps(const EncodableMap& left, const EncodableMap& right) {
  auto l = left.begin();
  auto r = right.begin();
  for (; l != left.end() && r != right.end(); ++l, ++r) {
    if (const int order = Compare(l->first, r->first)) return order;
    if (const int order = Compare(l->second, r->second)) return order;
  }
  return CompareOrdered(left.size(), right.size());
}

// Negative, zero or positive as |a| orders before, with or after |b|.
int Compare(const EncodableValue& a, const EncodableValue& b) {
  if (a.index() != b.index()) {
    return CompareOrdered(a.index(), b.index());
  }
  return std::visit(
      [&a, &b](const auto& left) -> int {
        using T = std::decay_t<decltype(left)>;
        [[maybe_unused]] const T& right = *std::get_if<T>(&b);
        if constexpr (std::is_same_v<T, std::monostate>) {
          return 0;
        } else if constexpr (std::is_same_v<T, CustomEncodableValue>) {
          const std::less<const EncodableValue*> less;
          return less(&a, &b) ? -1 : (less(&b, &a) ? 1 : 0);
        } else if constexpr (std::is_same_v<T, EncodableList>) {
          return CompareSequences(left, right, Compare);
        } else if constexpr (std::is_same_v<T, double>) {
          return CompareFloats(left, right);
        } else if constexpr (std::is_same_v<T, std::vector<double>> ||
                             std::is_same_v<T, std::vector<float>>) {
          return CompareSequences(left, right, CompareFloats<typename T::value_type>);
        } else if constexpr (std::is_same_v<T, EncodableMap>) {
          return CompareMaps(left, right);
        } else if constexpr (std::is_same_v<T, std::string>) {
          return left.compare(right);
        } else {
          return CompareOrdered(left, right);
        }
      },
      AsVariant(a));
}

}  // namespace

// Same index: strings compare as unsigned bytes (std::char_traits<char>), typed lists, lists and
// maps lexicographically through the element ordering, maps entry by entry (key, then value).
bool operator<(const EncodableValue& a, const EncodableValue& b) {
  // Map keys are mostly short strings that differ early: compared here, byte by byte as unsigned,
  // without the general dispatch or a library call.
  const auto* left = std::get_if<std::string>(&a);
  const auto* right = std::get_if<std::string>(&b);
  if (left != nullptr && right != nullptr) {
    const size_t common = std::min(left->size(), right->size());
    for (size_t i = 0; i < common; ++i) {
      const auto l = static_cast<unsigned char>((*left)[i]);
      const auto r = static_cast<unsigned char>((*right)[i]);
      if (l != r) return l < r;
    }
    return left->size() < right->size();
  }
  return Compare(a, b) < 0;
}

bool operator==(const EncodableValue& a, const EncodableValue& b) {
  if (a.index() != b.index()) {
    return false;
  }
  return std::visit(
      [&a, &b](const auto& left) -> bool {
        using T = std::decay_t<decltype(left)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return true;
        } else if constexpr (std::is_same_v<T, CustomEncodableValue>) {
          return &a == &b;
        } else {
          return left == *std::get_if<T>(&b);
        }
      },
      AsVariant(a));
}

}  // namespace flutter
