#include "form/main_form.h"

#include "platform/paths.h"

namespace form {

void FillMainProperties(proplist::PropertyList* list) {
  list->AddNode(kGroupInstall);
  list->AddNode(kGroupBuild);
  list->AddNode(kGroupControlPanel);
  list->AddItem(0, kPropAppName, kDefaultAppName, kTextMaxLen, proplist::kKindText);
  list->AddItem(0, kPropSetupDir, kDefaultSetupDir, kTextMaxLen, proplist::kKindText);
  list->AddItem(1, kPropSavePath, "", kSavePathMaxLen, proplist::kKindSavePath);
  list->AddItem(2, kPropPublisher, kDefaultPublisher, kTextMaxLen, proplist::kKindText);
  list->AddItem(2, kPropVersion, kDefaultVersion, kTextMaxLen, proplist::kKindText);
}

void AddCompressionChoice(proplist::PropertyList* list) {
  list->AddItem(2, kPropCompression, kCompressionStandard, 0, proplist::kKindChoice);
  list->SetChoices(kPropCompression, {kCompressionStandard, kCompressionCompact});
}

std::string DefaultSavePath(std::string_view programFolder) {
  return platform::JoinPath(programFolder, kDefaultPackageName);
}

void SetDefaultSavePath(proplist::PropertyList* list, std::string_view programFolder) {
  list->SetPropValue(kPropSavePath, DefaultSavePath(programFolder));
}

}  // namespace form
