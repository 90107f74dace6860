// Test doubles of the folder scan's surroundings: a tester that answers per file title, a sink that
// keeps the worker's messages, and a folder tree of empty module files in the temporary folder.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "discovery/scan_services.h"
#include "discovery_test_support.h"
#include "platform/directory.h"
#include "platform/text.h"
#include "support/environment.h"

namespace qm::test {

// How the fake create-for-record treats one file (keyed by its title: no folder, no extension).
struct FakeOutcome {
    enum Kind { Instrument, NotInstrument, Failure } kind = Instrument;
    const char* name = "";
    const char* vendor = "";
    DWORD flags = 0;             // bits the loader would write (NoEditor, LoadFailed, ...)
    HRESULT failure = E_FAIL;    // for Failure (with a name: the one the loader found first)
};

inline std::string TitleOf(const WCHAR* path) {
    const WCHAR *begin, *end;
    PathFileTitle(path, &begin, &end);
    return platform::WideToUtf8(begin, end - begin);
}

// The module titles of a scan's list, in list order.
inline std::vector<std::string> Titles(const tQMLIST* list) {
    std::vector<std::string> titles;
    for (int i = 0; i < PluginCount(list); ++i) titles.push_back(TitleOf(PluginRecordAt(list, i)->path));
    return titles;
}

class FakeTester final : public IScanTester {
public:
    HRESULT CreateForRecord(VstiPluginRecord* record, IUnknown** instance) noexcept override {
        *instance = nullptr;
        const std::string title = TitleOf(record->path);
        FakeOutcome o;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tested_.push_back(title);
            if (outcomes.count(title)) o = outcomes.at(title);
        }
        record->flags |= o.flags;
        switch (o.kind) {
        case FakeOutcome::Instrument: {
            Put(record->vendor, o.vendor);
            auto* synth = new FakeSynth;
            synth->name = o.name;
            synth->released = &released;
            synth->AddRef();
            *instance = synth;
            return S_OK;
        }
        case FakeOutcome::NotInstrument: return S_OK;
        case FakeOutcome::Failure:
            if (*o.name != 0) Put(record->name, o.name);  // what the loader found before it failed
            return o.failure;
        }
        return E_UNEXPECTED;
    }
    void ReadInstanceNames(IUnknown* instance, VstiPluginRecord* record) noexcept override {
        const std::string& name = static_cast<FakeSynth*>(instance)->name;
        Put(record->name, name.c_str());
        Put(record->product, (name + " product").c_str());
    }
    std::vector<std::string> Tested() {
        std::lock_guard<std::mutex> lock(mutex_);
        return tested_;
    }

    std::map<std::string, FakeOutcome> outcomes;
    std::atomic<int> released{0};

private:
    std::mutex mutex_;
    std::vector<std::string> tested_;
};

// Keeps every message as text: "finished", "status:<text>", "found:<name>".
class RecordingSink final : public IScanMessageSink {
public:
    void PostScanMessage(UINT message, const void* argument) noexcept override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (message == kScanMessageFinished) {
            messages_.push_back("finished");
        } else if (message == kScanMessageStatus) {
            messages_.push_back("status:" + platform::WideToUtf8(static_cast<const WCHAR*>(argument)));
        } else if (message == kScanMessageFound) {
            messages_.push_back("found:" + A(static_cast<const VstiPluginRecord*>(argument)->name));
        }
        changed_.notify_all();
    }
    std::vector<std::string> Messages() {
        std::lock_guard<std::mutex> lock(mutex_);
        return messages_;
    }
    // Waits until `message` has been posted.
    void WaitFor(const std::string& message) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] { return std::find(messages_.begin(), messages_.end(), message) != messages_.end(); });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> messages_;
};

// A folder in the temporary folder, removed with everything below it at the end.
class TemporaryTree {
public:
    TemporaryTree() : folder_("scan-tree"), root_(std::filesystem::u8path(folder_.path)) {}
    // Creates an empty file (and its folders) at `relative`, '/' separating folders.
    void AddFile(const std::string& relative) {
        const std::filesystem::path path = root_ / std::filesystem::u8path(relative);
        std::filesystem::create_directories(path.parent_path());
        std::FILE* f = std::fopen(path.string().c_str(), "wb");
        ASSERT_NE(f, nullptr) << relative;
        std::fclose(f);
    }
    std::filesystem::path Root() const { return root_; }
    // The folder (root when empty) as the scan takes it, with a trailing separator.
    WString Folder(const std::string& relative = {}) const {
        std::filesystem::path p = relative.empty() ? root_ : root_ / std::filesystem::u8path(relative);
        p.make_preferred();
        const std::u16string wide = platform::Utf8ToWide(p.u8string().c_str());
        WString folder(wide.begin(), wide.end());
        folder.push_back(platform::kPathSeparator);
        return folder;
    }

private:
    const TemporaryFolder folder_;
    const std::filesystem::path root_;
};

}  // namespace qm::test
