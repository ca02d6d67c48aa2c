#include "RunState.h"

namespace rw {

std::shared_ptr<Mailbox> Mailbox::to(QObject *receiver) {
    auto box = std::make_shared<Mailbox>();
    box->m_receiver = receiver;
    // destroyed is sent from the receiver's destructor on its own thread, before its queued events are
    // discarded: once the mailbox is closed here, nothing new can reach the dying object.
    QObject::connect(
        receiver, &QObject::destroyed, receiver,
        [weak = std::weak_ptr<Mailbox>(box)] {
            if (auto b = weak.lock()) {
                std::lock_guard lock(b->m_mutex);
                b->m_receiver = nullptr;
            }
        },
        Qt::DirectConnection);
    return box;
}

bool Mailbox::post(std::function<void()> fn) {
    std::lock_guard lock(m_mutex);
    if (!m_receiver)
        return false;
    QMetaObject::invokeMethod(m_receiver, std::move(fn), Qt::QueuedConnection);
    return true;
}

bool RunState::Run::isCurrent() const {
    return m_shared && m_shared->current.load(std::memory_order_acquire) == m_number;
}

void RunState::Run::deliver(std::function<void()> fn) const {
    if (!m_shared || !isCurrent())
        return;
    // The check is made again on arrival: the run may have been stopped or superseded meanwhile.
    m_shared->mailbox->post([run = *this, fn = std::move(fn)] {
        if (run.isCurrent())
            fn();
    });
}

RunState::RunState(QObject *parent) : QObject(parent), m_shared(std::make_shared<Run::Shared>()) {
    m_shared->mailbox = Mailbox::to(this);
}

RunState::~RunState() {
    m_shared->current.fetch_add(1, std::memory_order_acq_rel);
}

RunState::Run RunState::begin() {
    Run run;
    run.m_shared = m_shared;
    run.m_number = m_shared->current.fetch_add(1, std::memory_order_acq_rel) + 1;
    setRunning(true);
    return run;
}

void RunState::stop() {
    m_shared->current.fetch_add(1, std::memory_order_acq_rel);
    setRunning(false);
}

bool RunState::finish(const Run &run) {
    if (!isCurrent(run))
        return false;
    stop();
    return true;
}

void RunState::setRunning(bool running) {
    if (m_running == running)
        return;
    m_running = running;
    emit runningChanged(running);
}

} // namespace rw
