#include "afw/core/afReleaseQueue.h"

#include "afw/core/afExceptionBoundary.h"
#include "afw/core/afMainLoop.h"

#include <utility>

afReleaseQueue::~afReleaseQueue() {
    afMainLoop::cancel(this);
    // What a release queues as the owner goes has no later time.
    while (!m_releases.empty())
        releaseAll();
}

void afReleaseQueue::add(std::function<void()> release) {
    m_releases.push_back(std::move(release));
    if (m_releases.size() == 1)
        afMainLoop::post(this, [this] { releaseAll(); });
}

void afReleaseQueue::releaseAll() {
    std::vector<std::function<void()>> due;
    due.swap(m_releases);
    for (std::function<void()>& release : due)
        afGuard(release);
}
