#include "ui/PngButton.h"

#include "ui/AlphaShape.h"

namespace {

// The pointer has rested on the button once it has been there this long.
constexpr guint kHoverMilliseconds = 1;

cairo_region_t* CellRegion(cairo_surface_t* strip, int cell, int width, int height) {
    cairo_surface_t* copy = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(copy);
    cairo_set_source_surface(cr, strip, 0, -cell * height);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr);
    cairo_destroy(cr);
    cairo_region_t* region = RegionFromAlpha(copy, 1);
    cairo_surface_destroy(copy);
    return region;
}

}  // namespace

int ChooseCell(bool selected, bool hover) { return selected ? 2 : hover ? 1 : 0; }

CPngButton::~CPngButton() {
    if (m_nHoverTimer != 0) {
        g_source_remove(m_nHoverTimer);
    }
    if (m_pButton != nullptr) {
        g_signal_handlers_disconnect_by_data(m_pButton, this);
        g_object_unref(m_pButton);
    }
    for (cairo_region_t* region : m_cellRegions) {
        if (region != nullptr) {
            cairo_region_destroy(region);
        }
    }
}

void CPngButton::SubclassDlgItem(GtkWidget* button) {
    m_pButton = GTK_WIDGET(g_object_ref(button));
    gtk_widget_set_app_paintable(m_pButton, TRUE);
    gtk_widget_set_can_focus(m_pButton, FALSE);
    gtk_widget_add_events(m_pButton, GDK_ENTER_NOTIFY_MASK | GDK_LEAVE_NOTIFY_MASK);
    g_signal_connect(m_pButton, "draw", G_CALLBACK(OnDraw), this);
    g_signal_connect(m_pButton, "enter-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CPngButton* self) -> gboolean {
                         if (self->m_nHoverTimer == 0 && !self->m_bHover) {
                             self->m_nHoverTimer = g_timeout_add(kHoverMilliseconds, [](gpointer data) -> gboolean {
                                 auto* button = static_cast<CPngButton*>(data);
                                 button->m_nHoverTimer = 0;
                                 button->SetHover(true);
                                 return G_SOURCE_REMOVE;
                             }, self);
                         }
                         return FALSE;
                     }),
                     this);
    g_signal_connect(m_pButton, "leave-notify-event",
                     G_CALLBACK(+[](GtkWidget*, GdkEventCrossing*, CPngButton* self) -> gboolean {
                         if (self->m_nHoverTimer != 0) {
                             g_source_remove(self->m_nHoverTimer);
                             self->m_nHoverTimer = 0;
                         }
                         self->SetHover(false);
                         return FALSE;
                     }),
                     this);
    g_signal_connect(m_pButton, "state-flags-changed",
                     G_CALLBACK(+[](GtkWidget*, GtkStateFlags, CPngButton* self) { self->OnStateChanged(); }),
                     this);
    // The hand, over the button's input window, whatever its owner sets.
    g_signal_connect_after(m_pButton, "realize", G_CALLBACK(+[](GtkWidget* w, CPngButton*) {
                               GdkCursor* hand = gdk_cursor_new_from_name(gtk_widget_get_display(w), "pointer");
                               gdk_window_set_cursor(gtk_button_get_event_window(GTK_BUTTON(w)), hand);
                               g_object_unref(hand);
                           }),
                           this);
}

void CPngButton::SetImage(int id) {
    m_pImage = LoadPngImage(id);
    if (!m_pImage || !m_pImage->IsValid()) {
        m_pImage.reset();
        return;
    }
    m_nImageWidth = m_pImage->GetWidth();
    m_nCellHeight = CellHeight(m_pImage->GetHeight());
    for (int cell = 0; cell < 3; ++cell) {
        m_cellRegions[cell] = CellRegion(m_pImage->GetSurface(), cell, m_nImageWidth, m_nCellHeight);
    }
    gtk_widget_set_size_request(m_pButton, m_nImageWidth, m_nCellHeight);
    // Above its siblings: the last child of a fixed layout is drawn last and
    // gets its input window last, on top.
    GtkWidget* parent = gtk_widget_get_parent(m_pButton);
    if (GTK_IS_FIXED(parent)) {
        int x = 0;
        int y = 0;
        gtk_container_child_get(GTK_CONTAINER(parent), m_pButton, "x", &x, "y", &y, nullptr);
        g_object_ref(m_pButton);
        gtk_container_remove(GTK_CONTAINER(parent), m_pButton);
        gtk_fixed_put(GTK_FIXED(parent), m_pButton, x, y);
        g_object_unref(m_pButton);
    }
}

int CPngButton::CurrentCell() const {
    const bool selected = (gtk_widget_get_state_flags(m_pButton) & GTK_STATE_FLAG_ACTIVE) != 0;
    return ChooseCell(selected, m_bHover);
}

const cairo_region_t* CPngButton::GetFaceRegion() const {
    return m_pImage ? m_cellRegions[CurrentCell()] : nullptr;
}

void CPngButton::SetHover(bool hover) {
    if (m_bHover != hover) {
        m_bHover = hover;
        OnStateChanged();
    }
}

void CPngButton::OnStateChanged() {
    gtk_widget_queue_draw(m_pButton);
    const int cell = CurrentCell();
    if (m_pImage && cell != m_nShownCell) {
        m_nShownCell = cell;
        if (m_onFaceChanged) {
            m_onFaceChanged();
        }
    }
}

gboolean CPngButton::OnDraw(GtkWidget*, cairo_t* cr, CPngButton* self) {
    if (!self->m_pImage) {
        return TRUE;  // no face, and nothing of the theme's either
    }
    const int cell = self->CurrentCell();
    cairo_set_source_surface(cr, self->m_pImage->GetSurface(), 0, -cell * self->m_nCellHeight);
    cairo_rectangle(cr, 0, 0, self->m_nImageWidth, self->m_nCellHeight);
    cairo_fill(cr);
    return TRUE;
}
