#include "bench/window_ping.h"

#include <poll.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quillet::bench {
namespace {

constexpr auto kInterval = std::chrono::milliseconds(10);

double Ms(Clock::duration d) {
    return Seconds(d) * 1e3;
}

xcb_atom_t Intern(xcb_connection_t* conn, const char* name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        conn, xcb_intern_atom(conn, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

}  // namespace

WindowPing::~WindowPing() {
    if (m_thread.joinable())
        Stop();
    if (m_conn)
        xcb_disconnect(m_conn);
}

bool WindowPing::Open(const std::string& display) {
    int screen = 0;
    // A server that has just made its socket may refuse the first connections: 5 s of tries.
    for (int tries = 0; tries < 50; ++tries) {
        m_conn = xcb_connect(display.c_str(), &screen);
        if (!xcb_connection_has_error(m_conn))
            break;
        xcb_disconnect(m_conn);
        m_conn = nullptr;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    if (!m_conn) {
        std::fprintf(stderr, "bench_program: cannot connect to X server %s\n", display.c_str());
        return false;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_conn));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    m_protocols = Intern(m_conn, "WM_PROTOCOLS");
    m_ping = Intern(m_conn, "_NET_WM_PING");
    m_pid = Intern(m_conn, "_NET_WM_PID");
    // Maps of top-level windows (substructure), and the answers: Qt sends them to the root for
    // its structure and its substructure redirection, which only a window manager may select.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_generic_error_t* error = xcb_request_check(
        m_conn, xcb_change_window_attributes_checked(m_conn, m_root, XCB_CW_EVENT_MASK, &mask));
    const bool selected = !error;
    std::free(error);
    return selected && m_protocols && m_ping && m_pid;
}

bool WindowPing::WaitReadable(Clock::time_point until) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
    if (left.count() <= 0)
        return false;
    pollfd p{xcb_get_file_descriptor(m_conn), POLLIN, 0};
    return poll(&p, 1, static_cast<int>(left.count()) + 1) > 0;
}

xcb_window_t WindowPing::WaitMapped(pid_t pid, Clock::time_point deadline, Clock::time_point* at) {
    while (Clock::now() < deadline && !xcb_connection_has_error(m_conn)) {
        xcb_generic_event_t* event = xcb_poll_for_event(m_conn);
        if (!event) {
            WaitReadable(deadline);
            continue;
        }
        const auto seen = Clock::now();
        xcb_window_t found = 0;
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY) {
            auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect)
                found = map->window;
        }
        std::free(event);
        if (!found)
            continue;
        xcb_get_property_reply_t* reply = xcb_get_property_reply(
            m_conn, xcb_get_property(m_conn, 0, found, m_pid, XCB_ATOM_CARDINAL, 0, 1), nullptr);
        const bool ours =
            reply && xcb_get_property_value_length(reply) == 4 &&
            *static_cast<uint32_t*>(xcb_get_property_value(reply)) == static_cast<uint32_t>(pid);
        std::free(reply);
        if (ours) {
            *at = seen;
            return found;
        }
    }
    return 0;
}

void WindowPing::Send(xcb_window_t window, uint32_t seq) {
    xcb_client_message_event_t ping{};
    ping.response_type = XCB_CLIENT_MESSAGE;
    ping.format = 32;
    ping.window = window;
    ping.type = m_protocols;
    ping.data.data32[0] = m_ping;
    ping.data.data32[1] = seq;  // the time stamp's place: returned as it was
    ping.data.data32[2] = window;
    xcb_send_event(m_conn, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<char*>(&ping));
    xcb_flush(m_conn);
}

std::vector<uint32_t> WindowPing::Answers(xcb_window_t window) {
    std::vector<uint32_t> seqs;
    while (xcb_generic_event_t* event = xcb_poll_for_event(m_conn)) {
        if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE) {
            auto* msg = reinterpret_cast<xcb_client_message_event_t*>(event);
            if (msg->type == m_protocols && msg->data.data32[0] == m_ping &&
                msg->data.data32[2] == window)
                seqs.push_back(msg->data.data32[1]);
        }
        std::free(event);
    }
    return seqs;
}

std::optional<Clock::time_point> WindowPing::PingOnce(xcb_window_t window,
                                                      Clock::time_point deadline) {
    const uint32_t seq = 0x80000000u | ++m_seq;  // apart from the loop's numbers
    Send(window, seq);
    while (!xcb_connection_has_error(m_conn)) {
        for (uint32_t answered : Answers(window)) {
            if (answered == seq)
                return Clock::now();
        }
        if (!WaitReadable(deadline))
            break;
    }
    return std::nullopt;
}

void WindowPing::Loop(xcb_window_t window, Clock::time_point end) {
    auto next = Clock::now();
    const auto take = [&] {
        const auto now = Clock::now();
        for (uint32_t seq : Answers(window)) {
            if (seq == 0 || seq > m_sentAt.size() || m_answered[seq - 1])
                continue;
            m_answered[seq - 1] = true;
            m_rttMs.push_back(Ms(now - m_sentAt[seq - 1]));
        }
    };
    while (!m_stop && Clock::now() < end && !xcb_connection_has_error(m_conn)) {
        if (Clock::now() >= next) {
            m_sentAt.push_back(Clock::now());
            m_answered.push_back(false);
            Send(window, static_cast<uint32_t>(m_sentAt.size()));
            next += kInterval;
            if (next < Clock::now())  // the prober itself was held up: no burst to catch up
                next = Clock::now() + kInterval;
        }
        WaitReadable(next);
        take();
    }
    // The answers still due, for at most a second.
    const auto grace = Clock::now() + std::chrono::seconds(1);
    while (m_rttMs.size() < m_sentAt.size() && WaitReadable(grace))
        take();
}

void WindowPing::Start(xcb_window_t window, std::chrono::seconds limit) {
    m_stop = false;
    m_sentAt.clear();
    m_answered.clear();
    m_rttMs.clear();
    const auto end = Clock::now() + limit;
    m_thread = std::thread([this, window, end] { Loop(window, end); });
}

PingFigures WindowPing::Stop() {
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    PingFigures f;
    f.sent = static_cast<int>(m_sentAt.size());
    std::vector<double> all = m_rttMs;
    const auto now = Clock::now();
    for (size_t i = 0; i < m_sentAt.size(); ++i) {
        if (!m_answered[i]) {
            ++f.unanswered;
            all.push_back(Ms(now - m_sentAt[i]));
        }
    }
    if (all.empty())
        return f;
    std::sort(all.begin(), all.end());
    f.maxMs = all.back();
    f.p99Ms = all[std::min(all.size() - 1, static_cast<size_t>(0.99 * all.size()))];
    return f;
}

}  // namespace quillet::bench
