#include "core/settings.h"

namespace zumaset {

namespace {

using S = Settings;

constexpr std::array<FieldInfo, kSettingsFieldCount> kFields{{
    {"ServerTxt", FieldKind::Text, &S::ServerTxt},
    {"ServerXml", FieldKind::Text, &S::ServerXml},
    {"ServerOne", FieldKind::Text, &S::ServerOne},
    {"ServerTwo", FieldKind::Text, &S::ServerTwo},
    {"User", FieldKind::Text, &S::User},
    {"Pass", FieldKind::Scrambled, &S::Pass},
    {"RASMode", FieldKind::Bool, &S::RASMode},
    {"RunMode", FieldKind::Bool, &S::RunMode},
    {"UseProxy", FieldKind::Bool, &S::UseProxy},
    {"ProxyName", FieldKind::Text, &S::ProxyName},
    {"ProxyPort", FieldKind::Text, &S::ProxyPort},
    {"ProxyUser", FieldKind::Text, &S::ProxyUser},
    {"ProxyPass", FieldKind::Scrambled, &S::ProxyPass},
    {"RASName", FieldKind::Text, &S::RASName},
    {"RASAutoDial", FieldKind::Bool, &S::RASAutoDial},
    {"SourcePath", FieldKind::Folder, &S::SourcePath},
    {"RetValPath", FieldKind::Folder, &S::RetValPath},
    {"ArchivPath", FieldKind::Folder, &S::ArchivPath},
    {"LogsPath", FieldKind::Folder, &S::LogsPath},
    {"ErrLogPath", FieldKind::Folder, &S::ErrLogPath},
    {"ConLogPath", FieldKind::Folder, &S::ConLogPath},
    {"SubDirIgnore", FieldKind::Bool, &S::SubDirIgnore},
    {"CuMode", FieldKind::Int16, &S::CuMode},
    {"CuOption", FieldKind::Text, &S::CuOption},
    {"CuPosition", FieldKind::Int16, &S::CuPosition},
    {"FileNamePos", FieldKind::Int16, &S::FileNamePos},
    {"Delimiter", FieldKind::RawText, &S::Delimiter},
    {"OnLineMode", FieldKind::Bool, &S::OnLineMode},
    {"TimeInterval", FieldKind::Int16, &S::TimeInterval},
    {"ShowErrMessage", FieldKind::Bool, &S::ShowErrMessage},
    {"WriteLogFile", FieldKind::Bool, &S::WriteLogFile},
    {"WriteLogControl", FieldKind::Bool, &S::WriteLogControl},
    {"WriteDebugLog", FieldKind::Bool, &S::WriteDebugLog},
    {"ViewInfo", FieldKind::Bool, &S::ViewInfo},
    {"ArchiveFiles", FieldKind::Bool, &S::ArchiveFiles},
    {"DeleteLogFiles", FieldKind::Bool, &S::DeleteLogFiles},
    {"DeleteDayInt", FieldKind::Int32, &S::DeleteDayInt},
    {"NoGetConnect", FieldKind::Bool, &S::NoGetConnect},
    {"MaxFileSize", FieldKind::Int32, &S::MaxFileSize},
    {"UseMAPI", FieldKind::Bool, &S::UseMAPI},
    {"MAPIUser", FieldKind::Text, &S::MAPIUser},
    {"MAPIPass", FieldKind::Scrambled, &S::MAPIPass},
    {"SendTo", FieldKind::Text, &S::SendTo},
    {"MAPIErrorMessage", FieldKind::BoolText, &S::MAPIErrorMessage},
    {"MAPINoRetMessage", FieldKind::BoolText, &S::MAPINoRetMessage},
}};

} // namespace

const std::array<FieldInfo, kSettingsFieldCount>& SettingsFields() { return kFields; }

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
