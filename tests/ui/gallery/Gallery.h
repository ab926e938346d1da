#pragma once
// The screenshot gallery: every window of the program built with sample
// contents, shown and photographed one after the other. Each window is one
// line of the table in Shots.cpp.

#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace nbr {
class LanguageManager;
}

namespace nbr::gallery {

// What a window's builder gets: the texts, and a place for objects that must
// live as long as the window is photographed.
class Context {
public:
    explicit Context(LanguageManager& languages) : languages_(languages) {}
    [[nodiscard]] QString Text(int id) const;
    // Not const: windows that follow a language change register with it.
    [[nodiscard]] LanguageManager& Languages() const { return languages_; }
    template <typename T>
    T* Keep(std::unique_ptr<T> object)
    {
        T* raw = object.get();
        kept_.push_back(std::shared_ptr<void>(std::move(object)));
        return raw;
    }
    // Last kept, first gone: a window goes before what it uses.
    void Clear()
    {
        while (!kept_.empty())
            kept_.pop_back();
    }
    ~Context() { Clear(); }
    Context(const Context&) = delete;
    Context& operator=(const Context&) = delete;

private:
    LanguageManager& languages_;
    std::vector<std::shared_ptr<void>> kept_;
};

struct Shot {
    const char* name;
    // Builds (and shows) the window to photograph; it is kept alive through
    // the context.
    std::function<QWidget*(Context&)> build;
};

const std::vector<Shot>& Shots();

}  // namespace nbr::gallery
