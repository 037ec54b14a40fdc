#pragma once
#include <QString>

// The outcome of an operation that can fail: empty when it succeeded, else
// the error's description as the engine or the platform gives it. Lower
// layers return it; forms turn it into the message box the user sees.
class Status {
public:
    Status() = default;
    static Status ok() { return Status(); }
    static Status fail(const QString& description) {
        Status s;
        s.m_error = description.isEmpty() ? QStringLiteral("Unknown error") : description;
        return s;
    }
    // The database server could not be reached (refused, lost, shut down):
    // nothing was done, and the same request may succeed once it answers.
    static Status unreachable(const QString& description) {
        Status s = fail(description);
        s.m_unreachable = true;
        return s;
    }
    // The same kind of failure in other words.
    Status reworded(const QString& description) const {
        Status s = fail(description);
        s.m_unreachable = m_unreachable;
        return s;
    }
    bool isOk() const { return m_error.isEmpty(); }
    bool isUnreachable() const { return m_unreachable; }
    explicit operator bool() const { return isOk(); }
    const QString& error() const { return m_error; }

private:
    QString m_error;
    bool m_unreachable = false;
};
