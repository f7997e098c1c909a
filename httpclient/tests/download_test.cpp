// File downloads with progress reports, synchronous and on the client's thread.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "bench_env.h"
#include "client_helpers.h"
#include "httpclient/ovhttp.h"
#include "log_capture.h"

namespace {

struct Report {
    std::string file;
    int total, done, status, rate;
    DWORD thread;
};

// What one download reported; the callback value points at it.
struct Recorder {
    std::vector<Report> reports;
    int stopAtReport = -1;        // answer 201 to this report (0: the first)
    bool stopWhenTransferring = false;  // answer 201 to the first status-101 report

    int value() { return static_cast<int>(reinterpret_cast<INT_PTR>(this)); }
    static int callback(const char* file, int total, int done, int status, int rate, int value) {
        Recorder* self = reinterpret_cast<Recorder*>(static_cast<INT_PTR>(value));
        self->reports.push_back({file, total, done, status, rate, ::GetCurrentThreadId()});
        const bool stop = static_cast<int>(self->reports.size()) - 1 == self->stopAtReport ||
                          (self->stopWhenTransferring && status == OVHTTP_DOWNLOAD_TRANSFERRING);
        return stop ? OVHTTP_CALLBACK_STOP : OVHTTP_CALLBACK_CONTINUE;
    }
    int count(int status) const {
        int n = 0;
        for (const Report& r : reports) n += r.status == status;
        return n;
    }
};

bool readFile(const std::string& path, std::string* content) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::stringstream text;
    text << in.rdbuf();
    *content = text.str();
    return true;
}

class Download : public ::testing::Test {
protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ::GetTempPathA(MAX_PATH, temp);
        folder_ = std::string(temp) + "ovhttp-download-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(folder_.c_str(), nullptr);
        file_ = folder_ + "\\target.bin";
    }
    void TearDown() override {
        ::DeleteFileA(file_.c_str());
        ::RemoveDirectoryA(folder_.c_str());
    }
    std::string folder_, file_;
    LogCapture log_{100};
};

TEST_F(Download, WritesTheWholeBodyAndReportsInOrder) {
    const struct {
        const char* path;
        int size;
        std::string content;
    } cases[] = {
        {"/blob/300000", 300000, Pattern(0, 300000)},
        {"/chain/rel/2", 16, Pattern(0, 16)},
        {"/long-body", 100, Pattern(0, 5000)},  // longer than announced: written whole
    };
    for (const auto& c : cases) {
        OVHTTP client;
        Recorder rec;
        ASSERT_EQ(client.SetURL(OriginUrl(c.path).c_str()), 0u);
        EXPECT_EQ(client.DoGetIntoFile(file_.c_str(), Recorder::callback, rec.value(), 0, false, nullptr), 0)
            << c.path;
        EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_COMPLETE);
        EXPECT_EQ(client.GetDownloadResult(), OVHTTP_SUCCESS);
        std::string content;
        ASSERT_TRUE(readFile(file_, &content));
        EXPECT_TRUE(content == c.content) << c.path << ": " << content.size() << " bytes";

        ASSERT_GE(rec.reports.size(), 3u);
        const Report& first = rec.reports[0];
        const Report& second = rec.reports[1];
        const Report& last = rec.reports.back();
        EXPECT_EQ(first.file, file_);
        EXPECT_EQ(first.total, -1);
        EXPECT_EQ(first.status, OVHTTP_DOWNLOAD_STARTING);
        EXPECT_EQ(second.total, c.size);
        EXPECT_EQ(second.done, 0);
        EXPECT_EQ(second.status, OVHTTP_DOWNLOAD_STARTING);
        EXPECT_EQ(last.status, OVHTTP_DOWNLOAD_COMPLETE);
        EXPECT_EQ(last.total, c.size);
        EXPECT_EQ(last.done, static_cast<int>(c.content.size()));
        int done = 0;
        for (std::size_t i = 2; i + 1 < rec.reports.size(); ++i) {
            EXPECT_EQ(rec.reports[i].status, OVHTTP_DOWNLOAD_TRANSFERRING);
            EXPECT_GT(rec.reports[i].done, done);
            done = rec.reports[i].done;
        }
    }
    // One request for the size, one for the body.
    EXPECT_EQ(RequestsSeen("/blob/300000"), 2);
}

TEST_F(Download, RunsOnItsOwnThreadAndSignalsTheEvent) {
    OVHTTP client;
    Recorder rec;
    ASSERT_EQ(client.SetURL(OriginUrl("/blob/200000").c_str()), 0u);
    HANDLE done = nullptr;
    ASSERT_EQ(client.DoGetIntoFile(file_.c_str(), Recorder::callback, rec.value(), 200, true, &done), 0);
    ASSERT_NE(done, nullptr);
    ASSERT_EQ(::WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
    ::CloseHandle(done);
    EXPECT_EQ(client.GetDownloadResult(), OVHTTP_SUCCESS);
    EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_COMPLETE);
    ASSERT_FALSE(rec.reports.empty());
    for (const Report& r : rec.reports) EXPECT_NE(r.thread, ::GetCurrentThreadId());
    std::string content;
    ASSERT_TRUE(readFile(file_, &content));
    EXPECT_TRUE(content == Pattern(0, 200000));

    // Again on the same client, with no place for the event: logged, and
    // the client's end waits for the download to finish.
    Recorder again;
    ::DeleteFileA(file_.c_str());
    {
        OVHTTP second;
        ASSERT_EQ(second.SetURL(OriginUrl("/slow/50000").c_str()), 0u);
        EXPECT_EQ(second.DoGetIntoFile(file_.c_str(), Recorder::callback, again.value(), 200, true, nullptr), 0);
    }
    EXPECT_TRUE(log_.contains("OVHTTP DoGetIntoFile : Asynchronous caller will not save event, it will be LEAKED.\n"));
    ASSERT_FALSE(again.reports.empty());
    EXPECT_EQ(again.reports.back().status, OVHTTP_DOWNLOAD_COMPLETE);
    ASSERT_TRUE(readFile(file_, &content));
    EXPECT_TRUE(content == Pattern(0, 50000));
}

// A stop at the first report ends before any connection is made.
TEST_F(Download, CallbackStopsAtTheFirstReport) {
    for (bool asynchronous : {false, true}) {
        OVHTTP client;
        Recorder rec;
        rec.stopAtReport = 0;
        const std::string path = asynchronous ? "/blob/1001" : "/blob/1002";
        ASSERT_EQ(client.SetURL(OriginUrl(path).c_str()), 0u);
        HANDLE done = nullptr;
        const int result =
            client.DoGetIntoFile(file_.c_str(), Recorder::callback, rec.value(), 200, asynchronous, &done);
        if (asynchronous) {
            EXPECT_EQ(result, 0);
            ASSERT_EQ(::WaitForSingleObject(done, 60000), WAIT_OBJECT_0);
            ::CloseHandle(done);
            EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_STOPPED);
        } else {
            EXPECT_EQ(result, OVHTTP_UserAbort);
            EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_FAILED);
        }
        EXPECT_EQ(client.GetDownloadResult(), OVHTTP_UserAbort);
        EXPECT_EQ(rec.reports.size(), 1u);
        EXPECT_EQ(RequestsSeen(path), 0);
        EXPECT_EQ(::GetFileAttributesA(file_.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    EXPECT_TRUE(log_.contains("OVHTTP PerformFileDownload: USER ABORTED DOWNLOAD (before getting size), file=\"" +
                              file_ + "\".\n"));
}

TEST_F(Download, CallbackStopsMidBody) {
    OVHTTP client;
    Recorder rec;
    rec.stopWhenTransferring = true;
    // Half the body, a pause, the other half: the first transfer report
    // comes before the end.
    ASSERT_EQ(client.SetURL(OriginUrl("/slow/40000").c_str()), 0u);
    EXPECT_EQ(client.DoGetIntoFile(file_.c_str(), Recorder::callback, rec.value(), 0, false, nullptr),
              OVHTTP_UserAbort);
    EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_FAILED);
    ASSERT_EQ(rec.reports.size(), 3u);
    const Report& stop = rec.reports.back();
    EXPECT_EQ(stop.status, OVHTTP_DOWNLOAD_TRANSFERRING);
    EXPECT_GT(stop.done, 0);
    EXPECT_LT(stop.done, 40000);
    std::string content;
    ASSERT_TRUE(readFile(file_, &content));  // the part written stays
    EXPECT_TRUE(content == Pattern(0, stop.done));
    EXPECT_TRUE(log_.contains("USER ABORTED DOWNLOAD (during read)"));
}

// Every failure ends with exactly one status-102 report, last.
TEST_F(Download, FailuresEndWithOneFailedReport) {
    const struct {
        const char* path;
        bool missingFolder;
        int result;
        int total;
        int done;
        bool fileWritten;
    } cases[] = {
        {"/no-length", false, OVHTTP_Error, -1, 0, false},
        {"/length-nospace", false, OVHTTP_Error, -1, 0, false},
        {"/status/404", false, OVHTTP_ServerUrlNotFound, -1, 0, false},
        {"/blob/10", true, OVHTTP_ParentDirNotExist, 10, 0, false},
        // Closed before the announced end: a broken transfer, not a file.
        {"/close-mid-body", false, OVHTTP_SockReadFailed, 10000, 3000, true},
    };
    for (const auto& c : cases) {
        log_.clear();
        ::DeleteFileA(file_.c_str());
        const std::string target = c.missingFolder ? folder_ + "\\missing\\target.bin" : file_;
        OVHTTP client;
        Recorder rec;
        ASSERT_EQ(client.SetURL(OriginUrl(c.path).c_str()), 0u);
        EXPECT_EQ(client.DoGetIntoFile(target.c_str(), Recorder::callback, rec.value(), 200, false, nullptr),
                  c.result)
            << c.path;
        EXPECT_EQ(client.GetDownloadStatus(), OVHTTP_DOWNLOAD_FAILED);
        EXPECT_EQ(client.GetDownloadResult(), c.result);
        EXPECT_EQ(rec.count(OVHTTP_DOWNLOAD_FAILED), 1) << c.path;
        ASSERT_FALSE(rec.reports.empty());
        EXPECT_EQ(rec.reports.back().status, OVHTTP_DOWNLOAD_FAILED);
        EXPECT_EQ(rec.reports.back().total, c.total) << c.path;
        EXPECT_EQ(rec.reports.back().done, c.done) << c.path;
        std::string content;
        EXPECT_EQ(readFile(target, &content), c.fileWritten) << c.path;
        if (c.fileWritten) {
            EXPECT_TRUE(content == Pattern(0, c.done));
        }
        EXPECT_TRUE(log_.contains("OVHTTP PerformFileDownload : transfer error. file=\"" + target + "\"\n"));
    }
}

TEST_F(Download, SizeFromContentLength) {
    const struct {
        const char* path;
        int result;
        int size;
    } cases[] = {
        {"/blob/1234", OVHTTP_SUCCESS, 1234},
        {"/length-nospace", OVHTTP_Error, -1},
        {"/no-length", OVHTTP_Error, -1},
        {"/status/404", OVHTTP_ServerUrlNotFound, -1},
    };
    for (const auto& c : cases) {
        OVHTTP client;
        ASSERT_EQ(client.SetURL(OriginUrl(c.path).c_str()), 0u);
        int size = 0;
        EXPECT_EQ(client.GetDownloadFileSize(&size), c.result) << c.path;
        EXPECT_EQ(size, c.size) << c.path;
    }
}

}  // namespace
