// The scan commands of qmvsti: scan, list --all, enable and disable. They reach the library's scan
// through IQmVSTiScanner and keep its results in the host's plug-in cache.
#pragma once
#include <string>
#include <vector>

#include "cli.h"
#include "qmvsti/scanner.h"

namespace qm::host::cli {

inline constexpr size_t kFolderSlots = 3;

// True for the commands and options handled here (scan, enable, disable, list --all).
bool IsScanCommand(const Options& options);
// True when `arg` is an option of these commands ("--all", "--set-folders", "--timeout", ...);
// *takesValue when the next word is its value.
bool IsScanOption(const std::string& command, const std::string& arg, bool* takesValue);
// Checks the command's own arguments; false with a message.
bool CheckScanArguments(const Options& options, std::string* error);
int RunScanCommand(const Options& options);

// Storage (cli_scan_store.cpp).
std::string FoldersFilePath();
std::vector<std::string> LoadFolders();
bool SaveFolders(const std::vector<std::string>& folders, std::string* error);
void StoreRecord(const VstiPluginRecord& record, HostPluginCache* cache);
bool StoreRecords(IQmVSTiScanner* scanner, HostSession* session, std::string* error);
std::string RecordFlagWords(DWORD flags);
DWORD EntryRecordFlags(const PlugInManagerEntry& entry);

}  // namespace qm::host::cli
