#include "skin/popup_skin.h"

#include <QMessageBox>
#include <QWidget>

#include <algorithm>

#include "keys/language.h"
#include "platform/ini_file.h"
#include "profile/paths.h"

namespace {

PlainMessageHandler g_plainMessageHandler;

constexpr const char* kMissingFile = "找不到配置文件";
constexpr const char* kBadLine = "加载ini错误！";

// Reads and splits one value of a file known to exist; a line with more than six
// commas is reported.
void ReadCheckedValue(const std::string& file, std::string_view section, int entry, SkinFields& fields,
                      QWidget* owner) {
  NameUnusableLayoutFile(file);
  const std::string value = ini::ReadString(file, section, std::to_string(entry), 260);
  if (std::count(value.begin(), value.end(), ',') > 6) ShowPlainMessage(owner, kBadLine);
  SplitSkinValue(value, fields);
}

}  // namespace

void ShowPlainMessage(QWidget* owner, const std::string& text) {
  if (g_plainMessageHandler) {
    g_plainMessageHandler(owner, text);
    return;
  }
  QMessageBox box(QMessageBox::NoIcon, QString(), QString::fromStdString(text), QMessageBox::Ok, owner);
  box.exec();
}

void SetPlainMessageHandler(PlainMessageHandler handler) { g_plainMessageHandler = std::move(handler); }

std::string PopupLayoutPath(std::string_view fileName) {
  std::string path = g_skinsDir + LanguageFolderName(g_language.load());
  path += '/';
  path += fileName;
  return path;
}

bool ReadPopupLayout(const std::string& file, std::span<SkinRect> rects, std::span<std::string> captions,
                     QWidget* owner) {
  const std::size_t count = std::min(rects.size(), captions.size());
  if (!ini::FileExists(file)) {
    for (std::size_t i = 0; i < count; ++i) {
      rects[i] = SkinRect{};
      captions[i].clear();
    }
    ShowPlainMessage(owner, kMissingFile);
    return false;
  }
  for (std::size_t i = 0; i < count; ++i) {
    SkinFields fields;
    ReadCheckedValue(file, "BUTTONPOS", static_cast<int>(i), fields, owner);
    SkinButtonEntry entry = EntryFromFields(fields);
    rects[i] = entry.rect;
    captions[i] = std::move(entry.caption);
  }
  return true;
}

bool ReadPopupList(const std::string& file, std::string_view section, int entry, SkinFields& fields, QWidget* owner) {
  if (!ini::FileExists(file)) {
    SplitSkinValue({}, fields);
    ShowPlainMessage(owner, kMissingFile);
    return false;
  }
  ReadCheckedValue(file, section, entry, fields, owner);
  return true;
}
