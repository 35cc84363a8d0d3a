#include "channel/encodable_value.h"

#include <functional>
#include <type_traits>

namespace flutter {

namespace {

const EncodableVariant& AsVariant(const EncodableValue& value) { return value; }

}  // namespace

// Same index: strings compare as unsigned bytes (std::char_traits<char>), typed lists, lists and
// maps lexicographically through the element ordering, maps entry by entry (key, then value).
bool operator<(const EncodableValue& a, const EncodableValue& b) {
  if (a.index() != b.index()) {
    return a.index() < b.index();
  }
  return std::visit(
      [&a, &b](const auto& left) -> bool {
        using T = std::decay_t<decltype(left)>;
        if constexpr (std::is_same_v<T, std::monostate>) {
          return false;
        } else if constexpr (std::is_same_v<T, CustomEncodableValue>) {
          return std::less<const EncodableValue*>()(&a, &b);
        } else {
          return left < *std::get_if<T>(&b);
        }
      },
      AsVariant(a));
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
