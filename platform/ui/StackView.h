// A stack view: it places its visible subviews one after the other along its axis, each taking an
// equal share of the length less the spacing, and the full breadth across it (the platform's "fill
// equally" distribution). Layouts use horizontal stacks for rows of things that belong together,
// such as keys or the slots of a code, and the text rendering shows such a row as one line.
//
// Main queue only.
#pragma once

#include <optional>
#include <string>

#include "platform/ui/View.h"

namespace platform {

enum class LayoutAxis { horizontal, vertical };

class StackView : public View {
 public:
  using View::View;
  std::string className() const override;

  LayoutAxis axis() const { return axis_; }
  void setAxis(LayoutAxis axis);
  double spacing() const { return spacing_; }
  void setSpacing(double spacing);

  void layoutSubviews() override;

  // A horizontal stack: the lines of its visible subviews and their subviews, in tree order, on one
  // line, two spaces apart; nullopt when none shows anything. A vertical one shows nothing of its own.
  std::optional<std::string> screenText() const override;
  bool screenTextCoversSubviews() const override { return axis_ == LayoutAxis::horizontal; }

  // "axis" ("horizontal" or "vertical"), "spacing", and the properties of View.
  bool setValueForKey(std::string_view key, const Json& value) override;

 private:
  LayoutAxis axis_ = LayoutAxis::horizontal;
  double spacing_ = 0.0;
};

}  // namespace platform
