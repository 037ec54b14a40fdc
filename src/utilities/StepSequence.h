#pragma once
#include <functional>

#include "platform/Status.h"

// A numbered sequence of file steps that stops at the first failing one and
// leaves the files as the last completed step left them.
class StepSequence {
public:
    virtual ~StepSequence() = default;
    // The last step that completed.
    int completedSteps() const { return m_done; }
    // Called after each completed step with its number.
    std::function<void(int)> afterStep;

protected:
    explicit StepSequence(int doneBeforeFirst) : m_done(doneBeforeFirst) {}
    virtual Status step(int n) = 0;
    Status runSteps(int first, int last) {
        for (int n = first; n <= last; ++n) {
            const Status s = step(n);
            if (!s)
                return s;
            m_done = n;
            if (afterStep)
                afterStep(n);
        }
        return Status::ok();
    }

private:
    int m_done;
};
