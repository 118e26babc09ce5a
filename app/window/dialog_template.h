// Dialog templates 102 (main window) and 100 (About box): every control with its
// identifier, kind, caption, position in dialog units and start state. The Windows
// resource script carries the same templates; its test checks them against these.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace zentho::window {

inline constexpr int kNoId = -1;

enum class ControlKind : std::uint8_t {
  Edit,           // single-line edit
  LogEdit,        // the multi-line, read-only LogPane
  PushButton,
  IconButton,     // push button drawing an icon instead of its caption
  Progress,
  Label,          // static text
  IconStatic,
  GroupBox,
  Radio,
};

struct ControlEntry {
  int id;
  ControlKind kind;
  std::string_view caption;
  int x, y, width, height;  // dialog units
  bool disabled = false;
  bool hidden = false;
  bool readOnly = false;
  bool tabStop = false;
  int icon = 0;             // icon group shown by an icon static from the start
};

struct DialogTemplate {
  std::string_view caption;
  int width, height;  // dialog units
  std::span<const ControlEntry> controls;  // template order: Tab and drawing order
};

const DialogTemplate& MainWindowTemplate();
const DialogTemplate& AboutBoxTemplate();

}  // namespace zentho::window
