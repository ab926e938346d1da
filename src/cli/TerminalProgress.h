#pragma once
// The progress line of nimbra-cli: the job, the current file and a
// percentage, redrawn in place on a terminal. Off when quiet or when standard
// error is not a terminal: nothing decorative goes into pipes and logs.

#include <QString>

#include <cstdint>

namespace nbr::cli {

class TerminalProgress {
public:
    explicit TerminalProgress(bool enabled);
    ~TerminalProgress();

    void SetJob(const QString& job);
    void SetFile(const QString& file);
    void SetFraction(std::uint64_t done, std::uint64_t total);
    // Clears the line; later output starts on a clean line.
    void Finish();
    // Draws the line again, after other output took its place.
    void Redraw() { Draw(); }

private:
    void Draw();

    bool enabled_;
    bool drawn_ = false;
    QString job_;
    QString file_;
    int percent_ = -1;
};

}  // namespace nbr::cli
