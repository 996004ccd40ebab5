#pragma once

// A handler connected to a GObject's signal, owned: it is disconnected when
// the connection goes (or is reset), unless the object went first. The way
// the toolkit and the web engine code connect a handler that uses something
// other than the object itself; one that needs only the object and what it
// holds (a window's shape, a download's destination) lives as long as the
// object and is connected plainly.

#include <glib-object.h>

#include <utility>
#include <vector>

class CSignalConnection {
public:
    CSignalConnection() = default;
    // Connects `handler` to `signal` of `instance`, with `data` as its last
    // argument; `after`: after the signal's default handler.
    CSignalConnection(gpointer instance, const char* signal, GCallback handler, gpointer data,
                      bool after = false)
        : m_pInstance(G_OBJECT(instance)),
          m_nHandler(g_signal_connect_data(instance, signal, handler, data, nullptr,
                                           after ? G_CONNECT_AFTER : GConnectFlags(0))) {
        g_object_add_weak_pointer(m_pInstance, reinterpret_cast<gpointer*>(&m_pInstance));
    }
    ~CSignalConnection() { Reset(); }

    CSignalConnection(CSignalConnection&& other) noexcept { *this = std::move(other); }
    CSignalConnection& operator=(CSignalConnection&& other) noexcept {
        if (this != &other) {
            Reset();
            if (other.m_pInstance != nullptr) {
                m_pInstance = other.m_pInstance;
                m_nHandler = other.m_nHandler;
                g_object_add_weak_pointer(m_pInstance, reinterpret_cast<gpointer*>(&m_pInstance));
                other.Reset(false);
            }
        }
        return *this;
    }
    CSignalConnection(const CSignalConnection&) = delete;
    CSignalConnection& operator=(const CSignalConnection&) = delete;

    void Reset() { Reset(true); }

private:
    void Reset(bool disconnect) {
        if (m_pInstance == nullptr) {
            return;
        }
        g_object_remove_weak_pointer(m_pInstance, reinterpret_cast<gpointer*>(&m_pInstance));
        if (disconnect && g_signal_handler_is_connected(m_pInstance, m_nHandler)) {
            g_signal_handler_disconnect(m_pInstance, m_nHandler);
        }
        m_pInstance = nullptr;
        m_nHandler = 0;
    }

    GObject* m_pInstance = nullptr;
    gulong m_nHandler = 0;
};

// The connections an object makes, all gone with it.
class CSignalConnections {
public:
    void Add(gpointer instance, const char* signal, GCallback handler, gpointer data,
             bool after = false) {
        m_connections.emplace_back(instance, signal, handler, data, after);
    }
    void Clear() { m_connections.clear(); }

private:
    std::vector<CSignalConnection> m_connections;
};
