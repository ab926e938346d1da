// What the progress dialog costs a transfer: a worker that reports every
// 512 KiB chunk through the transfers' own progress routine, at the pace of
// a 2 GB/s transfer, behind the real dialog (run modally, as the program
// does) and behind a progress that does nothing, in alternating runs.
//   bench_progress [MiB per run] [PAIRS]   (default 512, 21)
// Times the transfer from its Begin to its End (opening and closing the
// window are not the transfer's). The machine may be shared: each pair runs
// the two back to back, and the figure is the median of the pairs' ratios,
// next to the ratio of the medians and of the process's CPU time (which
// counts the dialog's painting on the GUI thread too). The dialog should
// stay under 1.02.

#include "base/IProgressDlg.h"
#include "base/LanguageManager.h"
#include "security/ICrypt.h"
#include "store/TransferThread.h"
#include "ui/panes/ProgressDlg.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <vector>

using namespace nbr;

namespace {

constexpr std::uint64_t kChunk = 512 * 1024;
constexpr std::uint64_t kFileBytes = 64ull << 20;  // the files of the job

// Takes every report and does nothing with it.
class NullProgress final : public IProgressDlg {
public:
    void Begin(std::uint32_t) override {}
    void End(bool) override {}
    bool Step(std::uint32_t) override { return true; }
    void ReportError(Status, std::uint32_t, std::initializer_list<TextArg>) override {}
    void SetOwnerThread(Qt::HANDLE) override {}
    void BeginFile(std::uint32_t) override {}
    void EndFile(std::uint32_t) override {}
    bool StepFile(std::uint32_t) override { return true; }
    void SetLine1(const QString&) override {}
    void SetLine2(const QString&) override {}
    void SetLine3(const QString&) override {}
    void SetTitle(const QString&) override {}
    [[nodiscard]] const void* GetWindowHandle() const override { return nullptr; }
    void EnableWaitForWindow() override {}
    int RunModal(QThread* worker, bool) override { return worker && worker->wait() ? 0 : 0; }
    void DisableWaitForWindow() override {}
    [[nodiscard]] bool HasFailed() const override { return false; }
    void SetCancelable(bool) override {}
    [[nodiscard]] bool IsCancelable() const override { return false; }
    [[nodiscard]] bool IsCancelled() const override { return false; }
    void SetSecondBar(bool) override {}
    [[nodiscard]] bool HasSecondBar() const override { return false; }
};

// The work of one chunk: a checksum pass over it, repeated to take as long
// as 512 KiB take at 2 GB/s (calibrated once).
std::vector<std::uint64_t> g_buffer(kChunk / 8, 0x9E3779B97F4A7C15ull);
int g_passes = 1;

std::uint64_t ChunkWork()
{
    std::uint64_t sum = 0;
    for (int p = 0; p < g_passes; ++p) {
        for (std::uint64_t& w : g_buffer) {
            w = w * 6364136223846793005ull + 1442695040888963407ull;
            sum ^= w;
        }
    }
    return sum;
}

void Calibrate()
{
    // The fastest of several rounds, after a warm-up: the machine is shared,
    // and a slow round would make every chunk too short.
    volatile std::uint64_t sink = 0;
    for (int i = 0; i < 20; ++i)
        sink = sink + ChunkWork();
    double perPass = 1e18;
    for (int round = 0; round < 7; ++round) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < 20; ++i)
            sink = sink + ChunkWork();
        perPass = std::min(perPass, static_cast<double>(timer.nsecsElapsed()) / 20);
    }
    const double target = static_cast<double>(kChunk) / 2.0;  // ns at 2 GB/s
    g_passes = std::max(1, static_cast<int>(target / perPass + 0.5));
}

// A transfer worker that does the chunks instead of encrypting.
class ChunkWorker final : public TransferThread {
public:
    ChunkWorker(IProgressDlg* progress, const LanguageManager& languages, std::uint64_t bytes)
        : TransferThread(progress, languages), bytes_(bytes) {}
    volatile std::uint64_t result = 0;
    double seconds = 0;  // from Begin to End: the transfer itself
    double cpuSeconds = 0;  // the process's, over the same span

protected:
    Status Run() override
    {
        IProgressDlg* dialog = Progress();
        dialog->Begin(static_cast<std::uint32_t>(bytes_ / kChunk));
        QElapsedTimer timer;
        timer.start();
        const std::clock_t cpu = std::clock();
        for (std::uint64_t file = 0; file < bytes_; file += kFileBytes) {
            dialog->SetLine2(QStringLiteral("file %1.bin").arg(file / kFileBytes));
            (void)StoreProgressRoutine(kFileBytes, 0, kProgressStart, this);
            for (std::uint64_t done = kChunk; done <= kFileBytes; done += kChunk) {
                result = result + ChunkWork();
                if (StoreProgressRoutine(kFileBytes, done, kProgressChunk, this) != 0)
                    return E_ABORTED;
            }
            (void)StoreProgressRoutine(kFileBytes, kFileBytes, kProgressEnd, this);
        }
        seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        cpuSeconds = static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC;
        dialog->End(true);
        return S_OK;
    }

private:
    std::uint64_t bytes_;
};

struct Times {
    double wall = 0, cpu = 0;
};

Times Measure(IProgressDlg& progress, const LanguageManager& languages, std::uint64_t bytes)
{
    progress.SetSecondBar(true);
    progress.SetCancelable(true);
    progress.EnableWaitForWindow();
    ChunkWorker worker(&progress, languages, bytes);
    worker.Start();
    (void)progress.RunModal(worker.Thread(), false);
    return {worker.seconds, worker.cpuSeconds};
}

// The worker's own cost of one chunk's reports, without the chunk's work:
// the routine called back to back on a thread of its own.
double NanosecondsPerReport(IProgressDlg& progress, const LanguageManager& languages)
{
    class Reporter final : public TransferThread {
    public:
        using TransferThread::TransferThread;
        double nanoseconds = 0;

    protected:
        Status Run() override
        {
            constexpr int kReports = 200000;
            Progress()->Begin(kReports);
            (void)StoreProgressRoutine(kFileBytes, 0, kProgressStart, this);
            QElapsedTimer timer;
            timer.start();
            for (int i = 1; i <= kReports; ++i)
                (void)StoreProgressRoutine(std::uint64_t(kReports) * kChunk, std::uint64_t(i) * kChunk, kProgressChunk,
                                           this);
            nanoseconds = static_cast<double>(timer.nsecsElapsed()) / kReports;
            Progress()->End(true);
            return S_OK;
        }
    };
    progress.SetSecondBar(true);
    progress.EnableWaitForWindow();
    Reporter reporter(&progress, languages);
    reporter.Start();
    (void)progress.RunModal(reporter.Thread(), false);
    return reporter.nanoseconds;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    const std::uint64_t mib = args.size() > 1 ? args[1].toULongLong() : 512;
    const int pairs = std::max(1, args.size() > 2 ? args[2].toInt() : 21);
    const std::uint64_t bytes = std::max<std::uint64_t>(mib / 64, 1) * kFileBytes;

    LanguageManager languages;
    languages.AddPack(0, QStringLiteral(NIMBRA_LANG_DIR "/LangENG.json"));
    (void)languages.SelectLanguage(0, true);
    Calibrate();

    std::vector<double> dialogWall, nullWall, ratios;
    double dialogCpu = 0, nullCpu = 0;
    for (int i = 0; i < pairs; ++i) {
        NullProgress null;
        const Times n = Measure(null, languages, bytes);
        ProgressDlg dialog(languages);
        const Times d = Measure(dialog, languages, bytes);
        nullWall.push_back(n.wall);
        dialogWall.push_back(d.wall);
        ratios.push_back(d.wall / n.wall);
        nullCpu += n.cpu;
        dialogCpu += d.cpu;
    }
    const double withNull = Median(nullWall);
    const double withDialog = Median(dialogWall);
    std::printf("chunk work: %d passes; %.2f GB per run, %d pairs\n", g_passes, static_cast<double>(bytes) / 1e9,
                pairs);
    std::printf("null progress:   median %.3f s (%.2f GB/s), CPU %.2f s in all\n", withNull,
                static_cast<double>(bytes) / 1e9 / withNull, nullCpu);
    std::printf("progress dialog: median %.3f s (%.2f GB/s), CPU %.2f s in all\n", withDialog,
                static_cast<double>(bytes) / 1e9 / withDialog, dialogCpu);
    std::printf("dialog/null: median of pair ratios %.4f, ratio of medians %.4f, CPU %.4f\n", Median(ratios),
                withDialog / withNull, dialogCpu / nullCpu);
    NullProgress null;
    ProgressDlg dialog(languages);
    const double nullReport = NanosecondsPerReport(null, languages);
    const double dialogReport = NanosecondsPerReport(dialog, languages);
    std::printf("one chunk's reports on the worker: %.0f ns with the dialog, %.0f ns with the null progress "
                "(a chunk at 2 GB/s: %.0f ns)\n",
                dialogReport, nullReport, static_cast<double>(kChunk) / 2.0);
    return 0;
}
