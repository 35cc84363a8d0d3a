// The value model carried over every channel: a tagged union of fourteen alternatives.
//
// Values are plain owned data: copying copies deeply, moving transfers, destroying frees. Values
// may be used from any thread, one thread per value at a time. Construction and comparison never
// throw; only Get<T>() throws, and only when asked for an alternative the value does not hold.
#ifndef QUENBREL_CHANNEL_ENCODABLE_VALUE_H_
#define QUENBREL_CHANNEL_ENCODABLE_VALUE_H_

#include <any>
#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <typeinfo>
#include <utility>
#include <variant>
#include <vector>

namespace flutter {

class EncodableValue;

// An ordered sequence of values.
using EncodableList = std::vector<EncodableValue>;
// Unique keys, ordered by the value ordering (operator< below).
using EncodableMap = std::map<EncodableValue, EncodableValue>;

// An application-defined object held type-erased. Copyable; the standard codec cannot encode it.
class CustomEncodableValue {
 public:
  explicit CustomEncodableValue(std::any value) : value_(std::move(value)) {}

  const std::any& value() const { return value_; }
  std::any& value() { return value_; }
  const std::type_info& type() const { return value_.type(); }

 private:
  std::any value_;
};

// The alternatives, in index order; the index is part of the ordering and of the wire format.
using EncodableVariant = std::variant<std::monostate,        // 0 null
                                      bool,                  // 1
                                      int32_t,               // 2
                                      int64_t,               // 3
                                      double,                // 4
                                      std::string,           // 5 UTF-8, never validated
                                      std::vector<uint8_t>,  // 6
                                      std::vector<int32_t>,  // 7
                                      std::vector<int64_t>,  // 8
                                      std::vector<double>,   // 9
                                      EncodableList,         // 10
                                      EncodableMap,          // 11
                                      CustomEncodableValue,  // 12
                                      std::vector<float>>;   // 13

class EncodableValue : public EncodableVariant {
 public:
  using EncodableVariant::EncodableVariant;

  EncodableValue() = default;
  // A character string is a string, never a boolean.
  EncodableValue(const char* text) : EncodableVariant(std::string(text)) {}
  EncodableValue(std::nullptr_t) = delete;
  EncodableValue& operator=(const char* text) {
    EncodableVariant::operator=(std::string(text));
    return *this;
  }

  bool IsNull() const { return std::holds_alternative<std::monostate>(*this); }
};

// Index of the custom alternative, which compares by address.
constexpr std::size_t kCustomValueIndex = 12;

// The value ordering: lower index first, then by content (see encodable_value.cc). Among doubles,
// and in double and float lists, NaN orders after every number and is equivalent only to NaN;
// custom values order by the address of their EncodableValue.
bool operator<(const EncodableValue& a, const EncodableValue& b);

// Same alternative and equal content; doubles compare with ==, custom values by address.
bool operator==(const EncodableValue& a, const EncodableValue& b);
inline bool operator!=(const EncodableValue& a, const EncodableValue& b) { return !(a == b); }

// The error of typed access to an alternative the value does not hold.
class BadVariantAccess : public std::bad_variant_access {
 public:
  const char* what() const noexcept override { return "bad variant access"; }
};

// Typed access: the held T, or BadVariantAccess. Use std::get_if to test without throwing.
template <typename T>
const T& Get(const EncodableValue& value) {
  if (const T* held = std::get_if<T>(&value)) {
    return *held;
  }
  throw BadVariantAccess();
}

template <typename T>
T& Get(EncodableValue& value) {
  if (T* held = std::get_if<T>(&value)) {
    return *held;
  }
  throw BadVariantAccess();
}

}  // namespace flutter

#endif  // QUENBREL_CHANNEL_ENCODABLE_VALUE_H_
