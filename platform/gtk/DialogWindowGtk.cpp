#include <gdk/gdkx.h>

#include <string>

#include "platform/AlphaShape.h"
#include "platform/Resources.h"
#include "platform/WindowPlacement.h"
#include "platform/gtk/DialogWindowImpl.h"
#include "platform/gtk/GameModeStage.h"
#include "platform/gtk/LayeredWindow.h"
#include "platform/gtk/NativeWindows.h"
#include "platform/gtk/WindowShape.h"

namespace {

WindowShell s_shell = WindowShell::X11;

}  // namespace

WindowShell GetWindowShell() {
    return s_shell;
}

void SetWindowShell(WindowShell shell) {
    s_shell = shell;
}

bool CDialogWindowImpl::Build(int templateId) {
    const std::optional<CResourceBytes> ui = FindResource(templateId, ResourceType::Dialog);
    if (!ui) {
        return false;
    }
    builder.reset(gtk_builder_new());
    GError* error = nullptr;
    if (!gtk_builder_add_from_string(builder.get(), ui->Text().data(), ui->Size(), &error)) {
        const GErrorPtr failure(error);
        g_printerr("login-launcher: window template %d: %s\n", templateId, error->message);
        builder.reset();
        return false;
    }
    window = GTK_WINDOW(gtk_builder_get_object(builder.get(), "dialog"));
    if (window == nullptr) {
        builder.reset();
        return false;
    }
    surface = GTK_WIDGET(window);
    gtk_widget_get_size_request(surface, &rect.width, &rect.height);
    return true;
}

// The template's window is left empty and never shown: its content goes
// into a layer, which paints and takes input as the window would. Answers
// the layer, not yet anywhere.
GtkWidget* CDialogWindowImpl::TakeContentIntoLayer() {
    GtkWindow* templateWindow = window;
    GtkWidget* content = gtk_bin_get_child(GTK_BIN(templateWindow));
    GtkWidget* box = gtk_event_box_new();
    gtk_event_box_set_visible_window(GTK_EVENT_BOX(box), FALSE);
    gtk_widget_set_app_paintable(box, TRUE);
    gtk_widget_set_size_request(box, rect.width, rect.height);
    if (content != nullptr) {
        g_object_ref(content);
        gtk_container_remove(GTK_CONTAINER(templateWindow), content);
        gtk_container_add(GTK_CONTAINER(box), content);
        g_object_unref(content);
    }
    gtk_widget_destroy(GTK_WIDGET(templateWindow));
    surface = box;
    layer = true;
    return box;
}

// A layer over the owner's picture, the owner's window's only content.
void CDialogWindowImpl::BecomeLayerOf(CDialogWindow& ownerWindow) {
    GtkWidget* box = TakeContentIntoLayer();
    window = NativeWindowOf(ownerWindow);
    SetPictureLayer(window, box);
}

// In game mode the window without an owner is the stage; every other one is
// a layer on it, over the picture or modal over everything.
void CDialogWindowImpl::JoinStage(CDialogWindow* ownerWindow, bool overOwner) {
    GtkWindow* stage = ownerWindow != nullptr ? NativeWindowOf(*ownerWindow) : nullptr;
    if (stage == nullptr) {
        MakeStage(window);
        return;
    }
    GtkWidget* box = TakeContentIntoLayer();
    window = stage;
    PutOnStage(window, box, overOwner ? StageLayer::OverPicture : StageLayer::Modal);
}

bool CDialogWindow::Create(CDialogWindow* owner, bool show) {
    m_pImpl = std::make_unique<CDialogWindowImpl>(*this);
    CDialogWindowImpl& impl = *m_pImpl;
    if (!impl.Build(m_nTemplateId)) {
        m_pImpl.reset();
        return false;
    }
    impl.owner = owner;
    if (GetWindowShell() == WindowShell::GameMode) {
        impl.JoinStage(owner, m_bOverOwner);
    } else if (owner != nullptr && m_bOverOwner && GetWindowShell() == WindowShell::Layered &&
               NativeWindowOf(*owner) != nullptr) {
        impl.BecomeLayerOf(*owner);
    } else if (owner != nullptr) {
        gtk_window_set_transient_for(impl.window, NativeWindowOf(*owner));
        gtk_window_set_destroy_with_parent(impl.window, TRUE);
        // A desktop that places windows itself centres a modal dialog over
        // its owner.
        if (GetWindowShell() == WindowShell::Layered) {
            gtk_window_set_modal(impl.window, TRUE);
        }
    }
    if (m_bOverOwner && !impl.layer) {
        // The same visual as its owner's picture: compositing managers that
        // shadow every window with an opaque visual (metacity does) would
        // otherwise lay a shadow of this window's whole rectangle over the
        // picture.
        UseAlphaVisual(GTK_WIDGET(impl.window));
    }
    impl.ConnectEvents();
    OnInitDialog();
    if (m_pImpl != nullptr && show) {
        gtk_widget_show(impl.surface);
    }
    return m_pImpl != nullptr;
}

int CDialogWindow::DoModal(CDialogWindow* owner) {
    if (!Create(owner)) {
        return -1;
    }
    CMessageLoop loop;
    m_pImpl->modalLoop = &loop;
    const bool ended = loop.Run();
    if (m_pImpl != nullptr) {
        m_pImpl->modalLoop = nullptr;
    }
    m_pImpl.reset();
    return ended ? m_nModalResult : IDABORT;
}

void CDialogWindow::EndDialog(int result) {
    m_nModalResult = result;
    if (m_pImpl != nullptr && m_pImpl->modalLoop != nullptr) {
        m_pImpl->modalLoop->End();
    }
}

CDialogWindow::CDialogWindow(int templateId) : m_nTemplateId(templateId) {}

CDialogWindow::~CDialogWindow() = default;

bool CDialogWindow::IsWindow() const {
    return m_pImpl != nullptr && m_pImpl->surface != nullptr;
}

bool CDialogWindow::IsLayer() const {
    return IsWindow() && m_pImpl->layer;
}

CWindowItem* CDialogWindow::GetDlgItem(int id) const {
    if (m_pImpl == nullptr || m_pImpl->builder == nullptr) {
        return nullptr;
    }
    auto& items = m_pImpl->items;
    if (const auto found = items.find(id); found != items.end()) {
        return found->second.get();
    }
    GObject* object = gtk_builder_get_object(m_pImpl->builder.get(), std::to_string(id).c_str());
    if (object == nullptr || !GTK_IS_WIDGET(object)) {
        return nullptr;
    }
    return items.emplace(id, MakeWindowItem(GTK_WIDGET(object))).first->second.get();
}

GtkWindow* NativeWindowOf(const CDialogWindow& window) {
    const CDialogWindowImpl* impl = CDialogWindowImpl::Of(window);
    return impl != nullptr ? impl->window : nullptr;
}

void CDialogWindow::ShowWindow(int showCommand) {
    if (!IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    switch (showCommand) {
        case SW_HIDE:
            gtk_widget_hide(impl.surface);
            break;
        case SW_MINIMIZE:
            // Game mode shows one window, and nothing to bring it back by.
            if (GetWindowShell() != WindowShell::GameMode) {
                gtk_window_iconify(impl.window);
            }
            break;
        default:
            gtk_widget_show(impl.surface);
            if (!impl.layer) {
                gtk_window_deiconify(impl.window);
            }
            break;
    }
}

bool CDialogWindow::IsWindowVisible() const {
    return IsWindow() && gtk_widget_get_visible(m_pImpl->surface);
}

bool CDialogWindow::IsMapped() const {
    return IsWindow() && gtk_widget_get_mapped(m_pImpl->surface);
}

void CDialogWindow::MoveWindow(const CRect& rect) {
    if (!IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    impl.rect = rect;
    if (GetWindowShell() == WindowShell::GameMode) {
        // The stage keeps the screen's size; a layer takes its new size at
        // its place on the stage.
        if (impl.layer) {
            gtk_widget_set_size_request(impl.surface, rect.width, rect.height);
            PlaceOnStage(impl.window, impl.surface);
        }
        return;
    }
    // A window that is not resizable takes exactly its size request, and the
    // window manager offers no way to change it.
    gtk_widget_set_size_request(impl.surface, rect.width, rect.height);
    if (impl.layer) {
        return;  // it lies where its owner is
    }
    gtk_window_resize(impl.window, rect.width, rect.height);
    gtk_window_move(impl.window, rect.x, rect.y);
    // GTK skips a move to where it asked the window to be before, even when
    // the window manager has put it elsewhere since: tell the X server too.
    GdkWindow* gdkWindow = gtk_widget_get_window(impl.surface);
    if (gtk_widget_get_mapped(impl.surface) && GDK_IS_X11_WINDOW(gdkWindow)) {
        gdk_window_move(gdkWindow, rect.x, rect.y);
    }
}

CRect CDialogWindow::GetWindowRect() const {
    if (!IsWindow()) {
        return {};
    }
    CRect rect = m_pImpl->rect;
    // Where the window really is now, which the window manager may have
    // changed without telling the window. A Wayland window knows no place
    // on the screen: its origin reads 0, 0.
    GtkWidget* top = GTK_WIDGET(m_pImpl->window);
    if (gtk_widget_get_mapped(top)) {
        gdk_window_get_origin(gtk_widget_get_window(top), &rect.x, &rect.y);
    }
    return rect;
}

void CDialogWindow::SetWindowText(std::string_view utf8) {
    if (IsWindow() && !m_pImpl->layer) {
        gtk_window_set_title(m_pImpl->window, std::string(utf8).c_str());
    }
}

void CDialogWindow::BringWindowToTop() {
    if (!IsWindow() || m_pImpl->layer || !gtk_widget_get_realized(m_pImpl->surface) ||
        GetWindowShell() == WindowShell::GameMode) {
        return;
    }
    GdkWindow* gdkWindow = gtk_widget_get_window(m_pImpl->surface);
    gdk_window_raise(gdkWindow);
    // Tiling window managers (i3) ignore a raise, but raise the window they
    // are asked to make the active one. Only a window on the screen: asking
    // would show a hidden one again.
    if (gtk_widget_get_visible(m_pImpl->surface) && !gtk_window_is_active(m_pImpl->window) &&
        GDK_IS_X11_WINDOW(gdkWindow)) {
        gtk_window_present_with_time(m_pImpl->window, gdk_x11_get_server_time(gdkWindow));
    }
}

void CDialogWindow::CenterWindow() {
    if (IsWindow()) {
        CenterWindow({0, 0, m_pImpl->rect.width, m_pImpl->rect.height});
    }
}

void CDialogWindow::CenterWindow(const CRect& visible) {
    if (!IsWindow() || m_pImpl->layer || GetWindowShell() == WindowShell::GameMode) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    GdkRectangle area{0, 0, 0, 0};
    if (impl.owner != nullptr && impl.owner->IsWindow()) {
        const CRect owner = impl.owner->GetWindowRect();
        area = {owner.x, owner.y, owner.width, owner.height};
        // A window that cannot place itself is centred by the desktop.
        gtk_window_set_position(impl.window, GTK_WIN_POS_CENTER_ON_PARENT);
    } else {
        GdkDisplay* display = gtk_widget_get_display(impl.surface);
        GdkMonitor* monitor = PrimaryMonitor(display);
        if (monitor != nullptr) {
            gdk_monitor_get_workarea(monitor, &area);
        }
        gtk_window_set_position(impl.window, GTK_WIN_POS_CENTER);
    }
    MoveWindow(PlaceVisiblePart(impl.rect, visible, {area.x, area.y, area.width, area.height}));
}

void CDialogWindow::AlignWith(const CDialogWindow& other) {
    if (!IsWindow() || m_pImpl->layer || !other.IsWindow()) {
        return;
    }
    CDialogWindowImpl& impl = *m_pImpl;
    int x = 0;
    int y = 0;
    GdkWindow* gdkWindow = gtk_widget_get_window(impl.surface);
    if (!gtk_widget_get_mapped(impl.surface) || !GDK_IS_X11_WINDOW(gdkWindow) ||
        !other.m_pImpl->GetScreenOrigin(x, y)) {
        const CRect there = other.GetWindowRect();
        MoveWindow({there.x, there.y, impl.rect.width, impl.rect.height});
        return;
    }
    // What gdk_window_move asks of the X server, without rounding to the
    // window's own pixels.
    impl.rect.x = x / GetScaleFactor();
    impl.rect.y = y / GetScaleFactor();
    XMoveWindow(GDK_WINDOW_XDISPLAY(gdkWindow), GDK_WINDOW_XID(gdkWindow), x, y);
}

bool CDialogWindow::IsAlignedWith(const CDialogWindow& other) const {
    if (IsWindow() && m_pImpl->layer) {
        return true;
    }
    int x = 0;
    int y = 0;
    int otherX = 0;
    int otherY = 0;
    if (IsWindow() && other.IsWindow() && m_pImpl->GetScreenOrigin(x, y) &&
        other.m_pImpl->GetScreenOrigin(otherX, otherY)) {
        return x == otherX && y == otherY;
    }
    const CRect mine = GetWindowRect();
    const CRect there = other.GetWindowRect();
    return mine.x == there.x && mine.y == there.y;
}

int CDialogWindow::GetScaleFactor() const {
    return IsWindow() ? gtk_widget_get_scale_factor(m_pImpl->surface) : 1;
}

void CDialogWindow::Invalidate() {
    if (IsWindow()) {
        gtk_widget_queue_draw(m_pImpl->surface);
    }
}

void CDialogWindow::InvalidateRect(const CRect& rect) {
    if (IsWindow()) {
        gtk_widget_queue_draw_area(m_pImpl->surface, rect.x, rect.y, rect.width, rect.height);
    }
}

void CDialogWindow::SetLayeredPicture(cairo_surface_t* picture) {
    if (IsWindow() && !m_pImpl->layer && GetWindowShell() == WindowShell::GameMode) {
        ShowStagePicture(m_pImpl->window, picture);
    } else if (IsWindow() && !m_pImpl->layer) {
        ShowLayeredPicture(m_pImpl->window, picture, m_pImpl->PartShown(picture));
    }
}

// The whole picture, unless the window would not fit the screen where the
// desktop places windows itself (the layered shell): then only its visible
// part, so that where the desktop puts a window that fits, every visible
// pixel of the picture is on the screen; the clear margin goes.
cairo_rectangle_int_t CDialogWindowImpl::PartShown(cairo_surface_t* picture) const {
    const int width = cairo_image_surface_get_width(picture) / ScaleOf(picture);
    const int height = cairo_image_surface_get_height(picture) / ScaleOf(picture);
    GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window));
    GdkMonitor* monitor = PrimaryMonitor(display);
    GdkRectangle area{0, 0, width, height};
    if (monitor != nullptr) {
        gdk_monitor_get_workarea(monitor, &area);
    }
    if (GetWindowShell() != WindowShell::Layered ||
        (width <= area.width && height <= area.height)) {
        return {0, 0, width, height};
    }
    return VisibleBounds(picture);
}

void CDialogWindow::SetShape(const cairo_region_t* region) {
    // The stage is opaque and covers the screen: nothing lies below it.
    if (!IsWindow() || GetWindowShell() == WindowShell::GameMode) {
        return;
    }
    if (!m_pImpl->layer) {
        SetWindowShape(GTK_WIDGET(m_pImpl->window), region, ShapePart::Own);
        return;
    }
    // A layer's shape, from its corner on the picture's.
    int x = 0;
    int y = 0;
    GetPictureOrigin(m_pImpl->window, x, y);
    const CairoRegionPtr moved(cairo_region_copy(region));
    cairo_region_translate(moved.get(), x * GetScaleFactor(), y * GetScaleFactor());
    SetWindowShape(GTK_WIDGET(m_pImpl->window), moved.get(), ShapePart::Layer);
}

void CDialogWindow::SetIcons(const std::vector<cairo_surface_t*>& icons) {
    if (!IsWindow() || m_pImpl->layer) {
        return;
    }
    GList* list = nullptr;
    for (cairo_surface_t* icon : icons) {
        if (GdkPixbuf* pixbuf =
                gdk_pixbuf_get_from_surface(icon, 0, 0, cairo_image_surface_get_width(icon),
                                            cairo_image_surface_get_height(icon))) {
            list = g_list_append(list, pixbuf);
        }
    }
    gtk_window_set_icon_list(m_pImpl->window, list);
    g_list_free_full(list, g_object_unref);
}

void CDialogWindow::IgnoreEarlyKeys(unsigned milliseconds) {
    m_pImpl->earlyKeysMs = milliseconds;
}

void CDialogWindow::HoldInput(bool hold) {
    if (!IsWindow() || m_pImpl->holdsInput == hold) {
        return;
    }
    m_pImpl->holdsInput = hold;
    if (hold) {
        // Events that the grab turns to this window must find it realized,
        // even while it is not on the screen, and the item that has its
        // keyboard too: keys go on to it.
        gtk_widget_realize(m_pImpl->surface);
        if (GtkWidget* focus = gtk_window_get_focus(m_pImpl->window)) {
            gtk_widget_realize(focus);
        }
        gtk_grab_add(m_pImpl->surface);
    } else {
        gtk_grab_remove(m_pImpl->surface);
    }
}

void CDialogWindowImpl::Destroy() {
    firstFrame.Stop();
    if (holdsInput && surface != nullptr) {
        gtk_grab_remove(surface);
    }
    connections.Clear();
    items.clear();
    if (surface != nullptr) {
        gtk_widget_destroy(surface);
    }
    surface = nullptr;
    window = nullptr;
    builder.reset();
}
