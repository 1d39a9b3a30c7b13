#include "ui/dialog_template.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtGlobal>
#include <map>

#include "ui/program_resources.h"

namespace flashdisk {

namespace {

[[noreturn]] void Fail(const QString& resource_path, const QString& problem) {
  qFatal("Layout %s: %s", qPrintable(resource_path), qPrintable(problem));
}

ControlKind KindNamed(const QString& resource_path, const QString& name) {
  static const std::map<QString, ControlKind> kKinds{
      {"group", ControlKind::kGroupBox},    {"label", ControlKind::kLabel},
      {"button", ControlKind::kPushButton}, {"check-box", ControlKind::kCheckBox},
      {"edit", ControlKind::kEdit},         {"drop-down-list", ControlKind::kDropDownList},
      {"list-box", ControlKind::kListBox},
  };
  const auto kind = kKinds.find(name);
  if (kind == kKinds.end()) {
    Fail(resource_path, "unknown control kind " + name);
  }
  return kind->second;
}

unsigned StyleOf(const QString& resource_path, const QJsonArray& names) {
  static const std::map<QString, ControlStyle> kStyles{
      {"read-only", kStyleReadOnly},     {"upper-case", kStyleUpperCase},
      {"digits-only", kStyleDigitsOnly}, {"right-aligned", kStyleRightAligned},
      {"default", kStyleDefaultButton},
  };
  unsigned style = 0;
  for (const auto& name : names) {
    const auto flag = kStyles.find(name.toString());
    if (flag == kStyles.end()) {
      Fail(resource_path, "unknown style " + name.toString());
    }
    style |= flag->second;
  }
  return style;
}

ControlTemplate ControlFrom(const QString& resource_path, const QJsonObject& object) {
  const QJsonArray place = object["place"].toArray();
  if (place.size() != 4) {
    Fail(resource_path, "a control needs a place of four numbers: x, y, width, height");
  }
  ControlTemplate control;
  control.id = object["id"].toInt(kNoControlId);
  control.kind = KindNamed(resource_path, object["kind"].toString());
  control.text = object["text"].toString();
  control.place = QRect(place[0].toInt(), place[1].toInt(), place[2].toInt(), place[3].toInt());
  control.style = StyleOf(resource_path, object["style"].toArray());
  control.buddy = object["buddy"].toInt(kNoControlId);
  control.accessible_name = object["name"].toString();
  return control;
}

}  // namespace

DialogTemplate LoadDialogTemplate(const QString& resource_path) {
  LoadProgramResources();
  QFile file(resource_path);
  if (!file.open(QIODevice::ReadOnly)) {
    Fail(resource_path, "not among the resources");
  }
  QJsonParseError error;
  const auto document = QJsonDocument::fromJson(file.readAll(), &error);
  if (error.error != QJsonParseError::NoError) {
    Fail(resource_path, error.errorString());
  }
  const QJsonObject root = document.object();
  DialogTemplate layout;
  layout.caption = root["caption"].toString();
  layout.size = QSize(root["width"].toInt(), root["height"].toInt());
  layout.sizing_border = root["sizing_border"].toBool();
  layout.minimize_box = root["minimize_box"].toBool();
  for (const auto& control : root["controls"].toArray()) {
    layout.controls.push_back(ControlFrom(resource_path, control.toObject()));
  }
  return layout;
}

}  // namespace flashdisk
