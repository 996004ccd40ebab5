#include "ui/PngButton.h"

#include <memory>

#include "ui/AlphaShape.h"
#include "ui/PngImage.h"

namespace {

// The pointer has rested on the button once it has been there this long.
constexpr guint kHoverMilliseconds = 1;

}  // namespace

int ChooseCell(bool selected, bool hover) {
    return selected ? 2 : hover ? 1 : 0;
}

CPngButton::~CPngButton() {
    if (m_nHoverTimer != 0) {
        g_source_remove(m_nHoverTimer);
    }
    if (m_pButton != nullptr) {
        g_signal_handlers_disconnect_by_data(m_pButton.get(), this);
    }
}

void CPngButton::ReleaseCells() {
    for (Cell& cell : m_cells) {
        cell = {};
    }
}

void CPngButton::SubclassDlgItem(GtkWidget* button) {
    m_pButton = RefObject(button);
    gtk_widget_set_app_paintable(m_pButton.get(), TRUE);
    gtk_widget_set_can_focus(m_pButton.get(), FALSE);
    gtk_widget_add_events(m_pButton.get(), GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    g_signal_connect(m_pButton.get(), "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(m_pButton.get(), "enter-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CPngButton* self) -> gboolean {
                         if (self->m_nHoverTimer == 0 && !self->m_bHover) {
                             self->m_nHoverTimer = g_timeout_add(
                                 kHoverMilliseconds,
                                 [](gpointer data) -> gboolean {
                                     auto* button = static_cast<CPngButton*>(data);
                                     button->m_nHoverTimer = 0;
                                     button->SetHover(true);
                                     return G_SOURCE_REMOVE;
                                 },
                                 self);
                         }
                         return FALSE;
                     }),
                     this);
    g_signal_connect(m_pButton.get(), "leave-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CPngButton* self) -> gboolean {
                         if (self->m_nHoverTimer != 0) {
                             g_source_remove(self->m_nHoverTimer);
                             self->m_nHoverTimer = 0;
                         }
                         self->SetHover(false);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(m_pButton.get(), "notify::scale-factor",
                     G_CALLBACK(+[](GtkWidget*, GParamSpec*, CPngButton* self) {
                         self->LoadStrip();
                         if (self->m_bHasFace && self->m_onFaceChanged) {
                             self->m_onFaceChanged();
                         }
                     }),
                     this);
    g_signal_connect(
        m_pButton.get(), "state-flags-changed",
        G_CALLBACK(+[](GtkWidget*, GtkStateFlags, CPngButton* self) { self->OnStateChanged(); }),
        this);
    // The hand, over the button's input window, whatever its owner sets.
    g_signal_connect_after(m_pButton.get(), "realize", G_CALLBACK(+[](GtkWidget* w, CPngButton*) {
                               const GObjectPtr<GdkCursor> hand(
                                   gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer"));
                               gdk_window_set_cursor(gtk_button_get_event_window(GTK_BUTTON(w)),
                                                     hand.get());
                           }),
                           this);
}

void CPngButton::SetImage(int id) {
    m_nStripId = id;
    if (!LoadStrip()) {
        return;
    }
    gtk_widget_set_size_request(m_pButton.get(), m_nImageWidth, m_nCellHeight);
    // Above its siblings: the last child of a fixed layout is drawn last and
    // gets its input window last, on top.
    GtkWidget* parent = gtk_widget_get_parent(m_pButton.get());
    if (GTK_IS_FIXED(parent)) {
        int x = 0;
        int y = 0;
        gtk_container_child_get(GTK_CONTAINER(parent), m_pButton.get(), "x", &x, "y", &y, nullptr);
        // The button's own reference keeps it while it is out of its parent.
        gtk_container_remove(GTK_CONTAINER(parent), m_pButton.get());
        gtk_fixed_put(GTK_FIXED(parent), m_pButton.get(), x, y);
    }
}

bool CPngButton::LoadStrip() {
    ReleaseCells();
    const int scale = gtk_widget_get_scale_factor(m_pButton.get());
    const std::unique_ptr<CPngImage> strip = LoadPngImage(m_nStripId, scale);
    m_bHasFace = strip && strip->IsValid();
    if (!m_bHasFace) {
        return false;
    }
    m_nImageWidth = strip->GetWidth();
    m_nCellHeight = CellHeight(strip->GetHeight());
    // Each face as the screen shows it: drawn and cut pixel for pixel.
    for (int cell = 0; cell < 3; ++cell) {
        const cairo_rectangle_int_t place{0, cell * m_nCellHeight, m_nImageWidth, m_nCellHeight};
        m_cells[cell].face = CopyAtScale(strip->GetSurface(), place, scale);
        m_cells[cell].region = RegionFromAlpha(m_cells[cell].face.get(), 1);
    }
    return true;
}

int CPngButton::CurrentCell() const {
    const bool selected =
        (gtk_widget_get_state_flags(m_pButton.get()) & GTK_STATE_FLAG_ACTIVE) != 0;
    return ChooseCell(selected, m_bHover);
}

const cairo_region_t* CPngButton::GetFaceRegion() const {
    return m_bHasFace ? m_cells[CurrentCell()].region.get() : nullptr;
}

void CPngButton::SetHover(bool hover) {
    if (m_bHover != hover) {
        m_bHover = hover;
        OnStateChanged();
    }
}

void CPngButton::OnStateChanged() {
    gtk_widget_queue_draw(m_pButton.get());
    const int cell = CurrentCell();
    if (m_bHasFace && cell != m_nShownCell) {
        m_nShownCell = cell;
        if (m_onFaceChanged) {
            m_onFaceChanged();
        }
    }
}

gboolean CPngButton::OnDraw(GtkWidget*, cairo_t* cr, CPngButton* self) {
    if (!self->m_bHasFace) {
        return TRUE;  // no face, and nothing of the theme's either
    }
    cairo_set_source_surface(cr, self->m_cells[self->CurrentCell()].face.get(), 0, 0);
    cairo_rectangle(cr, 0, 0, self->m_nImageWidth, self->m_nCellHeight);
    cairo_fill(cr);
    return TRUE;
}
