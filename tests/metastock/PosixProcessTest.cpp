// Several processes on one folder: each change waits for the lock, none is lost, and a lock
// whose holder is killed is taken over. POSIX only (fork); the Windows lock has tests of its own.
#include "tests/metastock/DatabaseFixture.h"

#include <chrono>
#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

namespace {

TEST_F(DatabaseTest, EightProcessesAddingAtOnceAllSucceedAndLoseNothing) {
    {
        auto pDatabase = Open();
        std::string strError;
        ASSERT_TRUE(pDatabase->CreateNew(strError) && pDatabase->Commit(strError)) << strError;
    }
    constexpr int kProcesses = 8;
    constexpr int kAddsEach = 5;
    std::vector<pid_t> children;
    for (int p = 0; p < kProcesses; ++p) {
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            int nFailed = 0;
            for (int i = 0; i < kAddsEach; ++i) {
                CRecordingMessageBox messages;
                CDatabase db(GetSystemFileSystem(), messages, m_dir.Path());
                std::string strChildError;
                const bool bOk = db.LockAndRead(strChildError) &&
                                 db.AddSecurity(NewSecurity(std::string("P").append(std::to_string(p)).append("S").append(std::to_string(i)), "", 50),
                                                strChildError) &&
                                 db.Commit(strChildError);
                nFailed += bOk ? 0 : 1;
            }
            ::_exit(nFailed);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    CDatabase database(GetSystemFileSystem(), m_messages, m_dir.Path());
    std::string strError;
    ASSERT_TRUE(database.Read(strError)) << strError;
    EXPECT_EQ(database.Securities().size(), static_cast<std::size_t>(kProcesses * kAddsEach));
    EXPECT_TRUE(database.Check().empty()) << database.Check().front();
    EXPECT_TRUE(database.Damage().empty());
}

TEST_F(DatabaseTest, ALockHeldByAKilledProcessIsTakenOver) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        CRecordingMessageBox messages;
        CDatabase db(GetSystemFileSystem(), messages, m_dir.Path());
        std::string strChildError;
        const char cReady = db.LockAndRead(strChildError) ? 'L' : 'F';
        (void)!::write(fds[1], &cReady, 1);
        ::pause();
        ::_exit(0);
    }
    char cReady = 0;
    ASSERT_EQ(::read(fds[0], &cReady, 1), 1);
    ASSERT_EQ(cReady, 'L');

    std::string strError;
    CDatabase waiting(GetSystemFileSystem(), m_messages, m_dir.Path());
    EXPECT_FALSE(waiting.LockAndRead(strError, std::chrono::milliseconds(300)));
    EXPECT_NE(strError.find(PathUtf8(m_dir.Path())), std::string::npos) << strError;
    const std::string notice = "Waiting for another conversion into " + PathUtf8(m_dir.Path()) + " to finish...";
    EXPECT_EQ(m_messages.Notices(), std::vector<std::string>{notice});
    EXPECT_FALSE(waiting.CreateNew(strError));

    ::kill(pid, SIGKILL);
    ASSERT_EQ(::waitpid(pid, nullptr, 0), pid);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_TRUE(waiting.LockAndRead(strError, std::chrono::seconds(5))) << strError;
    EXPECT_TRUE(waiting.CreateNew(strError) && waiting.Commit(strError)) << strError;
}

} // namespace
