#include "platform/ui/Font.h"

#include <array>
#include <map>
#include <mutex>
#include <utility>

namespace platform {
namespace {

struct Registered {
  std::string family;
  FontWeight weight;
};

struct FontRegistry {
  std::mutex mutex;
  std::map<std::string, Registered> fonts;
};

FontRegistry& registry() {
  static auto* r = new FontRegistry;
  return *r;
}

constexpr std::array<std::pair<FontWeight, const char*>, 9> kWeightNames{{
    {FontWeight::ultraLight, "ultraLight"},
    {FontWeight::thin, "thin"},
    {FontWeight::light, "light"},
    {FontWeight::regular, "regular"},
    {FontWeight::medium, "medium"},
    {FontWeight::semibold, "semibold"},
    {FontWeight::bold, "bold"},
    {FontWeight::heavy, "heavy"},
    {FontWeight::black, "black"},
}};

}  // namespace

std::optional<Font> Font::fontWithName(const std::string& name, double pointSize) {
  if (name == kSystemFontName) return systemFontOfSize(pointSize);
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  auto it = r.fonts.find(name);
  if (it == r.fonts.end()) return std::nullopt;
  return Font{name, it->second.family, pointSize, it->second.weight};
}

Font Font::systemFontOfSize(double pointSize, FontWeight weight) {
  return Font{kSystemFontName, kSystemFontName, pointSize, weight};
}

void Font::registerFont(const std::string& name, const std::string& family, FontWeight weight) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.fonts.insert_or_assign(name, Registered{family, weight});
}

void Font::unregisterFont(const std::string& name) {
  auto& r = registry();
  std::lock_guard lock(r.mutex);
  r.fonts.erase(name);
}

const char* fontWeightName(FontWeight weight) {
  for (const auto& [w, name] : kWeightNames) {
    if (w == weight) return name;
  }
  return "regular";
}

std::optional<FontWeight> fontWeightFromName(const std::string& name) {
  for (const auto& [w, text] : kWeightNames) {
    if (name == text) return w;
  }
  return std::nullopt;
}

}  // namespace platform
