#include "platform/ui/ScreenText.h"

#include "platform/devices/SimulatedBiometrics.h"
#include "platform/ui/Application.h"
#include "platform/ui/Interaction.h"
#include "platform/ui/View.h"
#include "platform/ui/Window.h"

namespace platform {
namespace {

void renderInto(std::string& out, const View& view, int depth) {
  if (view.isHidden()) return;
  if (auto line = view.screenText()) {
    out.append(size_t(depth) * 2, ' ');
    out += *line;
    out += '\n';
    if (view.screenTextCoversSubviews()) return;
    ++depth;
  }
  for (const auto& child : view.subviews()) renderInto(out, *child, depth);
}

}  // namespace

std::string renderView(const std::shared_ptr<View>& view) {
  std::string out;
  if (view) renderInto(out, *view, 0);
  return out;
}

std::string renderScreen() {
  auto window = Application::shared().keyWindow();
  const auto chain = presentedChain(window);
  if (chain.empty()) return "(no screen)\n";
  window->layoutIfNeeded();
  // From the last controller that hides what lies below it.
  size_t first = chain.size() - 1;
  while (first > 0 && chain[first]->modalPresentationStyle() != ModalPresentationStyle::fullScreen) --first;
  std::string out;
  for (size_t i = first; i < chain.size(); ++i) {
    out += "== " + chain[i]->className() + " ==\n";
    out += renderView(chain[i]->view());
  }
  for (const auto& prompt : SimulatedBiometrics::openPrompts()) {
    out += "== biometric prompt ==\n\"" + prompt.reason + "\"\n";
    if (prompt.fallbackTitle && !prompt.fallbackTitle->empty()) out += "[" + *prompt.fallbackTitle + "]\n";
    out += "[Cancel]\n";
  }
  return out;
}

}  // namespace platform
