#include <windows.h>

#include <cwctype>
#include <memory>
#include <type_traits>
#include <vector>

#include "common/error.h"
#include "os/command_line.h"
#include "os/exporter_flags.h"
#include "os/metrics_directory.h"
#include "os/utf16.h"

namespace dorvane::os {
namespace {

using ServiceHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, decltype(&CloseServiceHandle)>;

// The command line that the service `name` is registered with; empty where
// there is no such service or it cannot be read. The service manager's
// answer is the same for a 32-bit and a 64-bit program.
std::wstring service_command_line(const wchar_t* name) {
    const ServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT), CloseServiceHandle);
    if (!manager) return {};
    const ServiceHandle service(OpenServiceW(manager.get(), name, SERVICE_QUERY_CONFIG), CloseServiceHandle);
    if (!service) return {};
    DWORD needed = 0;
    QueryServiceConfigW(service.get(), nullptr, 0, &needed);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return {};
    std::vector<QUERY_SERVICE_CONFIGW> config((needed + sizeof(QUERY_SERVICE_CONFIGW) - 1) /
                                              sizeof(QUERY_SERVICE_CONFIGW));
    if (!QueryServiceConfigW(service.get(), config.data(), needed, &needed) || config[0].lpBinaryPathName == nullptr)
        return {};
    return config[0].lpBinaryPathName;
}

// `text` with its environment variables expanded. %ProgramFiles% is the
// 64-bit folder whatever this program's bitness, as the service that names
// it runs 64-bit: a 32-bit program would be given "Program Files (x86)".
std::wstring expanded(std::wstring text) {
    static const std::wstring program_files = L"%programfiles%";
    std::wstring lower = text;
    for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
    if (lower.find(program_files) != std::wstring::npos && GetEnvironmentVariableW(L"ProgramW6432", nullptr, 0) > 0)
        text.replace(lower.find(program_files), program_files.size(), L"%ProgramW6432%");
    const DWORD size = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (size == 0) return text;
    std::wstring out(size, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), out.data(), size) == 0) return text;
    out.resize(wcslen(out.c_str()));
    return out;
}

}  // namespace

std::optional<std::string> metrics_directory() {
    const std::wstring command = service_command_line(L"windows_exporter");
    if (command.empty()) return std::nullopt;
    const std::string line = utf16_to_utf8(std::u16string(command.begin(), command.end()));
    const TextfileFlags flags = textfile_flags(line);
    std::string folder;
    if (flags.directory) {
        folder = *flags.directory;
    } else if (flags.config_file) {
        throw Error(ERROR_NOT_SUPPORTED, "the windows_exporter service reads its settings from " +
                                             *flags.config_file +
                                             ", which may name the textfile folder; dorvane does not read that file");
    } else {
        const std::string program = program_in_command_line(line);
        const std::size_t separator = program.find_last_of("\\/");
        if (separator == std::string::npos) return std::nullopt;
        folder = program.substr(0, separator + 1) + "textfile_inputs";
    }
    const std::u16string wide = utf8_to_utf16(folder);
    const std::wstring path = expanded(std::wstring(wide.begin(), wide.end()));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return std::nullopt;
    return utf16_to_utf8(std::u16string(path.begin(), path.end()));
}

std::string how_to_allow(const Error&, const std::string&) { return {}; }

}  // namespace dorvane::os
