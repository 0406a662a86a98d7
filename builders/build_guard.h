#pragma once
// Keeps a build run to itself while it lets the window handle messages: the main window asks
// busy() before it changes the movie list or starts another build, and refuses while it is set.

#include <optional>

namespace builders {

class BuildGuard {
public:
    class Scope {
    public:
        explicit Scope(BuildGuard& guard) : m_guard(&guard) { m_guard->m_busy = true; }
        ~Scope() {
            if (m_guard) m_guard->m_busy = false;
        }
        Scope(Scope&& other) noexcept : m_guard(other.m_guard) { other.m_guard = nullptr; }
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;
        Scope& operator=(Scope&&) = delete;

    private:
        BuildGuard* m_guard;
    };

    bool busy() const { return m_busy; }

    // Marks a run as going for the life of the returned scope; nullopt while one already is.
    std::optional<Scope> tryEnter() {
        if (m_busy) return std::nullopt;
        return std::optional<Scope>(std::in_place, *this);
    }

private:
    bool m_busy = false;
};

}  // namespace builders
