// The one point where tests inject failures that are hard to cause for real
// (FileServiceTesting.h); the layer asks here.

#include "fileservice/FileServiceInternal.h"
#include "fileservice/FileServiceTesting.h"

#include <atomic>

namespace {

std::atomic<std::int64_t> g_failWriteAfter{-1};
std::atomic<bool> g_failNextReplaceAfterHalf{false};
std::atomic<bool> g_namedTemporariesOnly{false};
std::atomic<bool> g_linkThroughProc{false};
std::atomic<void (*)(const char*)> g_afterCopyData{nullptr};
std::atomic<void (*)(int, const char*)> g_beforeSourceStat{nullptr};

}  // namespace

void SetFailWriteAfterBytes(std::int64_t bytes) { g_failWriteAfter.store(bytes < 0 ? -1 : bytes); }

void FailNextReplaceAfterHalf() { g_failNextReplaceAfterHalf.store(true); }

void SetNamedTemporariesOnly(bool on) { g_namedTemporariesOnly.store(on); }

void SetLinkThroughProc(bool on) { g_linkThroughProc.store(on); }

void SetAfterCopyDataHook(void (*hook)(const char* source)) { g_afterCopyData.store(hook); }

void SetBeforeSourceStatHook(void (*hook)(int folderFd, const char* name)) { g_beforeSourceStat.store(hook); }

namespace fileservice {

void BeforeSourceStat(int folderFd, const char* name) {
    if (const auto hook = g_beforeSourceStat.load(std::memory_order_relaxed)) hook(folderFd, name);
}

void AfterCopyData(const char* source) {
    if (const auto hook = g_afterCopyData.load(std::memory_order_relaxed)) hook(source);
}

bool UnnamedCopiesDisabled() { return g_namedTemporariesOnly.load(std::memory_order_relaxed); }

bool LinkThroughProcForced() { return g_linkThroughProc.load(std::memory_order_relaxed); }

bool WriteFailureInjected() { return g_failWriteAfter.load(std::memory_order_relaxed) >= 0; }

std::int64_t InjectedWriteLimit() { return g_failWriteAfter.load(std::memory_order_relaxed); }

bool TakeInjectedHalfReplace() { return g_failNextReplaceAfterHalf.exchange(false); }

}  // namespace fileservice
