#include "core/settings.h"

#include "core/translate.h"

namespace zumaset {

namespace {

using S = Settings;

constexpr std::array<FieldInfo, kSettingsFieldCount> kFields{{
    {"ServerTxt", FieldKind::Text, &S::ServerTxt, FieldRule::ServerAddress},
    {"ServerXml", FieldKind::Text, &S::ServerXml, FieldRule::ServerAddress},
    {"ServerOne", FieldKind::Text, &S::ServerOne, FieldRule::ServerAddress},
    {"ServerTwo", FieldKind::Text, &S::ServerTwo, FieldRule::ServerAddress},
    {"User", FieldKind::Text, &S::User},
    {"Pass", FieldKind::Scrambled, &S::Pass},
    {"RASMode", FieldKind::Bool, &S::RASMode},
    {"RunMode", FieldKind::Bool, &S::RunMode},
    {"UseProxy", FieldKind::Bool, &S::UseProxy},
    {"ProxyName", FieldKind::Text, &S::ProxyName},
    {"ProxyPort", FieldKind::Text, &S::ProxyPort, FieldRule::Port},
    {"ProxyUser", FieldKind::Text, &S::ProxyUser},
    {"ProxyPass", FieldKind::Scrambled, &S::ProxyPass},
    {"RASName", FieldKind::Text, &S::RASName},
    {"RASAutoDial", FieldKind::Bool, &S::RASAutoDial},
    {"SourcePath", FieldKind::Folder, &S::SourcePath, FieldRule::Folder},
    {"RetValPath", FieldKind::Folder, &S::RetValPath, FieldRule::Folder},
    {"ArchivPath", FieldKind::Folder, &S::ArchivPath, FieldRule::Folder},
    {"LogsPath", FieldKind::Folder, &S::LogsPath, FieldRule::Folder},
    {"ErrLogPath", FieldKind::Folder, &S::ErrLogPath, FieldRule::Folder},
    {"ConLogPath", FieldKind::Folder, &S::ConLogPath, FieldRule::Folder},
    {"SubDirIgnore", FieldKind::Bool, &S::SubDirIgnore},
    {"CuMode", FieldKind::Int16, &S::CuMode, FieldRule::None, 0, 2,
     N_("0 list, 1 folder structure, 2 structured name")},
    {"CuOption", FieldKind::Text, &S::CuOption, FieldRule::OfficeList},
    {"CuPosition", FieldKind::Int16, &S::CuPosition, FieldRule::None, 0, 99},
    {"FileNamePos", FieldKind::Int16, &S::FileNamePos, FieldRule::None, 0, 99},
    {"Delimiter", FieldKind::RawText, &S::Delimiter, FieldRule::Delimiter},
    {"OnLineMode", FieldKind::Bool, &S::OnLineMode},
    {"TimeInterval", FieldKind::Int16, &S::TimeInterval, FieldRule::None, 0, 300},
    {"ShowErrMessage", FieldKind::Bool, &S::ShowErrMessage},
    {"WriteLogFile", FieldKind::Bool, &S::WriteLogFile},
    {"WriteLogControl", FieldKind::Bool, &S::WriteLogControl},
    {"WriteDebugLog", FieldKind::Bool, &S::WriteDebugLog},
    {"ViewInfo", FieldKind::Bool, &S::ViewInfo},
    {"ArchiveFiles", FieldKind::Bool, &S::ArchiveFiles},
    {"DeleteLogFiles", FieldKind::Bool, &S::DeleteLogFiles},
    {"DeleteDayInt", FieldKind::Int32, &S::DeleteDayInt, FieldRule::None, 1, KindMaximum(FieldKind::Int32), "days"},
    {"NoGetConnect", FieldKind::Bool, &S::NoGetConnect},
    {"MaxFileSize", FieldKind::Int32, &S::MaxFileSize, FieldRule::None, 0, KindMaximum(FieldKind::Int32),
     N_("MiB for one received file, 0 for 2048")},
    {"UseMAPI", FieldKind::Bool, &S::UseMAPI},
    {"MailServer", FieldKind::Text, &S::MailServer, FieldRule::MailServer},
    {"MailFrom", FieldKind::Text, &S::MailFrom, FieldRule::MailAddress},
    {"MAPIUser", FieldKind::Text, &S::MAPIUser},
    {"MAPIPass", FieldKind::Scrambled, &S::MAPIPass},
    {"SendTo", FieldKind::Text, &S::SendTo},
    {"MAPIErrorMessage", FieldKind::BoolText, &S::MAPIErrorMessage},
    {"MAPINoRetMessage", FieldKind::BoolText, &S::MAPINoRetMessage},
}};

// A number field's range must lie within what its kind can hold.
consteval bool RangesFitTheirKinds() {
    for (const auto& field : kFields) {
        if (field.min < KindMinimum(field.kind) || field.max > KindMaximum(field.kind) || field.min > field.max) {
            return false;
        }
    }
    return true;
}
static_assert(RangesFitTheirKinds(), "a setting's range does not fit its kind");

} // namespace

const std::array<FieldInfo, kSettingsFieldCount>& SettingsFields() {
    return kFields;
}

std::uint64_t MaxReceivedFileBytes(const Settings& settings) {
    constexpr std::uint64_t kMiB = 1024 * 1024;
    constexpr std::uint64_t kDefaultMiB = 2048;
    const std::uint64_t mib = settings.MaxFileSize > 0 ? static_cast<std::uint64_t>(settings.MaxFileSize) : kDefaultMiB;
    return mib * kMiB;
}

const FieldInfo* FindSettingsField(std::string_view name) {
    for (const auto& field : kFields) {
        if (field.name == name) return &field;
    }
    return nullptr;
}

} // namespace zumaset
