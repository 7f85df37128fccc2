// The shape of every event of the WebSocket stack: one struct per case, held in a variant. An event
// is made from one of its cases; `value.index()` is the case position, `as<Case>()` reads a case
// (nullptr when the event holds another).
//
// An event type derives from a struct that declares its cases and from VariantEvent over them, so
// that the cases are named through the event (`WebSocketEvent::Text`).
#pragma once

#include <type_traits>
#include <utility>
#include <variant>

namespace qor {

template <class... Cases>
struct VariantEvent {
  using Value = std::variant<Cases...>;

  template <class Case, class = std::enable_if_t<std::is_constructible_v<Value, Case>>>
  VariantEvent(Case c) : value(std::move(c)) {}

  template <class Case>
  const Case* as() const { return std::get_if<Case>(&value); }
  template <class Case>
  Case* as() { return std::get_if<Case>(&value); }

  Value value;
};

}  // namespace qor
