// What one password guess costs against a copied key file, plain and
// hardened, on this machine and in the same run: the time of one guess
// (medians), the memory it needs, their ratios, the time of the setup's
// tuning, of a whole login with the hardened file (counter writes included)
// and the process's memory peak.
// Usage: bench_hardening [RUNS] (default 5 for the hardened file; the plain
// guess runs 200,000 times per sample).

#include "security/Argon2id.h"
#include "security/FileStream.h"
#include "security/KeyFileLayout.h"
#include "security/LoginAttempts.h"
#include "security/Password.h"
#include "security/PropertyStore.h"
#include "security/SecParams.h"
#include "security/StretchTuning.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cryptopp/sha.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

using namespace nbr;

namespace {

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Seconds per call of `work`, the median of `samples` samples of `calls` calls.
double SecondsPerCall(int samples, int calls, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int s = 0; s < samples; ++s) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            work();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9 / calls);
    }
    return Median(times);
}

long PeakKiB()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "bench_hardening: %s\n", what);
    std::exit(1);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, app.arguments().value(1, QStringLiteral("5")).toInt());
    const long baseKiB = PeakKiB();

    QElapsedTimer tuning;
    tuning.start();
    Argon2id::Cost cost;
    if (Failed(StretchTuning::Tune(&cost)))
        Fail("the tuning failed");
    const double tuneSeconds = static_cast<double>(tuning.nsecsElapsed()) / 1e9;

    const LockedByteBlock right = Password(QStringLiteral("right-password")).Bytes();
    const LockedByteBlock wrong = Password(QStringLiteral("wrong-password")).Bytes();
    SecParams plain;
    SecParams hardened;
    if (Failed(plain.CreateNew(right.data(), right.size()))
        || Failed(hardened.CreateNew(right.data(), right.size(), &cost)))
        Fail("no key record");

    // The records as a copied key file holds them (the MAC is not needed to guess).
    QTemporaryDir dir;
    const auto recordOf = [&](SecParams& params, const QString& name) {
        FileStreamPtr stream(new FileStream);
        if (Failed(stream->Open(dir.filePath(name))))
            Fail("no key file");
        params.AttachStream(stream.get());
        if (Failed(params.Save()))
            Fail("no save");
        params.AttachStream(nullptr);
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::ReadOnly))
            Fail("no key file");
        return file.readAll().mid(KeyFileLayout::kRecordOffset, KeyFileLayout::kRecordLength);
    };
    const QByteArray plainRecord = recordOf(plain, QStringLiteral("plain.enc"));
    const QByteArray hardRecord = recordOf(hardened, QStringLiteral("hardened.enc"));

    // A guess against the plain file at its cheapest: one SHA-256 of the
    // password and the salt, compared with the verifier.
    const auto* salt = reinterpret_cast<const std::uint8_t*>(plainRecord.constData()) + KeyFileLayout::kVerifierSalt;
    volatile std::uint8_t sink = 0;
    const double plainGuess = SecondsPerCall(7, 200000, [&] {
        CryptoPP::SHA256 sha;
        std::uint8_t digest[32];
        sha.Update(wrong.data(), wrong.size());
        sha.Update(salt, KeyFileLayout::kSaltLength);
        sha.Final(digest);
        sink = sink ^ digest[0];
    });
    const auto check = [&](const QByteArray& record) {
        LockedByteBlock key;
        (void)SecParams::VerifyRecord(wrong.data(), wrong.size(),
                                      reinterpret_cast<const std::uint8_t*>(record.constData()),
                                      static_cast<std::size_t>(record.size()), &key);
    };
    const double plainCheck = SecondsPerCall(7, 20000, [&] { check(plainRecord); });
    const double hardGuess = SecondsPerCall(runs, 1, [&] { check(hardRecord); });

    // A whole login with the hardened file, as the program runs it.
    std::vector<double> logins;
    for (int i = 0; i < runs; ++i) {
        FileStreamPtr stream(new FileStream);
        if (Failed(stream->Open(dir.filePath(QStringLiteral("hardened.enc")))))
            Fail("no key file");
        SecParams params;
        PropertyStore properties;
        params.AttachStream(stream.get());
        properties.Attach(stream.get());
        LoginAttempts attempts(params, properties);
        QElapsedTimer timer;
        timer.start();
        if (Failed(attempts.Open())
            || attempts.Attempt(Password(QStringLiteral("right-password"))).kind != LoginOutcome::kLoggedIn)
            Fail("the login failed");
        logins.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    const double login = Median(logins);
    const long peakKiB = PeakKiB();

    const double plainBytes = sizeof(CryptoPP::SHA256);
    const double hardBytes = static_cast<double>(cost.memoryKiB) * 1024.0;
    std::printf("tuned cost on this machine: Argon2id, %u MiB, %u passes, %u lanes (%u threads here); tuning %.2f s\n",
                cost.memoryKiB / 1024, cost.passes, cost.lanes, Argon2id::ThreadsFor(cost.lanes), tuneSeconds);
    std::printf("one guess, plain key file:    %10.3f us, %6.0f bytes (one SHA-256; the whole record check %.3f us)\n",
                plainGuess * 1e6, plainBytes, plainCheck * 1e6);
    std::printf("one guess, hardened key file: %10.3f ms, %6u MiB\n", hardGuess * 1e3, cost.memoryKiB / 1024);
    std::printf("ratio per guess: time %.3g, memory %.3g, time x memory %.3g (aim: 1e8)\n", hardGuess / plainGuess,
                hardBytes / plainBytes, hardGuess / plainGuess * hardBytes / plainBytes);
    std::printf("login with the hardened file: %.3f s median of %d (aim: at most 1.5 s)\n", login, runs);
    std::printf("memory peak of this process: %ld MiB (%ld MiB before)\n", peakKiB / 1024, baseKiB / 1024);
    return sink == 0x55 && plainGuess < 0 ? 1 : 0;
}
