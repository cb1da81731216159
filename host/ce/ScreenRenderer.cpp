#include "ce/ScreenRenderer.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>

#include "ce/ControlStates.h"

namespace host {
namespace {

constexpr uint32_t kFace = 0xC0C0C0;
constexpr uint32_t kShadow = 0x808080;
constexpr uint32_t kHighlight = 0xFFFFFF;
constexpr uint32_t kDark = 0x000000;
constexpr uint32_t kWindow = 0xFFFFFF;
constexpr uint32_t kText = 0x000000;
constexpr uint32_t kGreyText = 0x808080;
constexpr uint32_t kSelection = 0x000080;
constexpr uint32_t kDesktop = 0x008080;

// Tab stops every eight characters, as an edit box sets them by default.
std::u16string expandTabs(const std::u16string& line) {
    std::u16string out;
    for (char16_t c : line) {
        if (c != u'\t') {
            out.push_back(c);
            continue;
        }
        do {
            out.push_back(u' ');
        } while (out.size() % 8 != 0);
    }
    return out;
}

// The dialogs were laid out for the handheld's system font, Tahoma: Wine's
// face of the same metrics (fonts-wine) is used when it is installed, made
// known to fontconfig from Wine's folder. Japanese text takes a CJK face
// (fonts-ipafont-gothic), which also covers Latin letters.
const char* latinFace() {
    static const char* face = [] {
        const char* const files[] = {"/usr/share/wine/fonts/tahoma.ttf",
                                     "/usr/share/wine/fonts/tahomabd.ttf"};
        bool added = true;
        for (const char* f : files) {
            added = added &&
                    FcConfigAppFontAddFile(nullptr, reinterpret_cast<const FcChar8*>(f)) == FcTrue;
        }
        return added ? "Tahoma" : "DejaVu Sans Condensed";
    }();
    return face;
}

constexpr const char* kCjkFace = "IPAGothic";

// Text with a character from the CJK blocks (U+2E80 on: a three-byte UTF-8
// sequence led by 0xE2 0xBA or anything from 0xE3 on).
bool hasCjk(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b >= 0xE3 && b <= 0xEF)
            return true;
        if (b == 0xE2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) >= 0xBA)
            return true;
    }
    return false;
}

class Painter {
  public:
    Painter(cairo_t* cr, const WindowSystem& ws) : cr_(cr), ws_(ws) {
        const MachineProfile& p = ws.machine().profile();
        scale_ = p.dpiY / 96.0;
        fontSize_ = 10.5 * scale_;
        font(CAIRO_FONT_WEIGHT_NORMAL);
        cairo_set_font_size(cr_, fontSize_);
    }

    void screen(int width, int height) {
        fill(0, 0, width, height, kDesktop);
        for (ce::HWND h : ws_.topLevelWindows())
            window(h);
    }

  private:
    // Colours and shapes.
    void colour(uint32_t rgb) {
        cairo_set_source_rgb(cr_, ((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0,
                             (rgb & 0xFF) / 255.0);
    }
    void fill(double x, double y, double w, double h, uint32_t rgb) {
        colour(rgb);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_fill(cr_);
    }
    void line(double x0, double y0, double x1, double y1, uint32_t rgb) {
        colour(rgb);
        cairo_set_line_width(cr_, 1);
        cairo_move_to(cr_, x0 + 0.5, y0 + 0.5);
        cairo_line_to(cr_, x1 + 0.5, y1 + 0.5);
        cairo_stroke(cr_);
    }
    // Two-colour frame: `topLeft` on the top and left edges.
    void frame(double x, double y, double w, double h, uint32_t topLeft, uint32_t bottomRight) {
        line(x, y, x + w - 1, y, topLeft);
        line(x, y, x, y + h - 1, topLeft);
        line(x, y + h - 1, x + w - 1, y + h - 1, bottomRight);
        line(x + w - 1, y, x + w - 1, y + h - 1, bottomRight);
    }
    void raised(double x, double y, double w, double h) {
        frame(x, y, w, h, kHighlight, kDark);
        frame(x + 1, y + 1, w - 2, h - 2, kFace, kShadow);
    }
    void sunken(double x, double y, double w, double h) {
        frame(x, y, w, h, kShadow, kHighlight);
        frame(x + 1, y + 1, w - 2, h - 2, kDark, kFace);
    }
    void dotted(double x, double y, double w, double h) {
        colour(kDark);
        double dash = 1;
        cairo_set_dash(cr_, &dash, 1, 0);
        cairo_set_line_width(cr_, 1);
        cairo_rectangle(cr_, x + 0.5, y + 0.5, w - 1, h - 1);
        cairo_stroke(cr_);
        cairo_set_dash(cr_, nullptr, 0, 0);
    }
    void font(cairo_font_weight_t weight, const char* face = nullptr) {
        weight_ = weight;
        cairo_select_font_face(cr_, face ? face : latinFace(), CAIRO_FONT_SLANT_NORMAL, weight);
    }
    double textWidth(const std::string& s) {
        if (hasCjk(s))
            font(weight_, kCjkFace);
        cairo_text_extents_t e;
        cairo_text_extents(cr_, s.c_str(), &e);
        font(weight_);
        return e.x_advance;
    }
    // Text with its middle at y.
    void text(const std::string& s, double x, double yMiddle, uint32_t rgb) {
        cairo_font_extents_t f;
        cairo_font_extents(cr_, &f);
        colour(rgb);
        cairo_move_to(cr_, x, std::round(yMiddle + (f.ascent - f.descent) / 2));
        if (hasCjk(s))
            font(weight_, kCjkFace);
        cairo_show_text(cr_, s.c_str());
        font(weight_);
    }
    void clip(double x, double y, double w, double h) {
        cairo_save(cr_);
        cairo_rectangle(cr_, x, y, w, h);
        cairo_clip(cr_);
    }
    void unclip() { cairo_restore(cr_); }
    double lineHeight() {
        cairo_font_extents_t f;
        cairo_font_extents(cr_, &f);
        return std::ceil(f.height);
    }
    void disabledText(const std::string& s, double x, double y) {
        text(s, x + 1, y + 1, kHighlight);
        text(s, x, y, kGreyText);
    }
    void picture(const Picture& p, int index, double x, double y) {
        size_t count = p.width && p.height ? p.pixels.size() / size_t(p.width * p.height) : 0;
        if (index < 0 || size_t(index) >= count)
            return;
        const uint32_t* px = p.pixels.data() + size_t(index) * p.width * p.height;
        for (int j = 0; j < p.height; ++j) {
            for (int i = 0; i < p.width; ++i)
                fill(x + i, y + j, 1, 1, px[size_t(j) * p.width + i]);
        }
    }

    // Windows.
    void window(ce::HWND h) {
        const WindowRecord* r = ws_.find(h);
        if (!r || !r->visible())
            return;
        ce::POINT o = ws_.screenOrigin(h);
        double x = o.x, y = o.y, w = r->width(), hgt = r->height();
        clip(x, y, w, hgt);
        std::u16string cls = upperCase(r->className);
        if (cls == u"BUTTON") {
            button(*r, x, y, w, hgt);
        } else if (cls == u"EDIT") {
            edit(*r, x, y, w, hgt);
        } else if (cls == u"COMBOBOX") {
            combo(*r, x, y, w, hgt);
        } else if (cls == u"STATIC") {
            text(toUtf8(r->text), x, y + std::min(hgt, lineHeight()) / 2,
                 r->enabled() ? kText : kGreyText);
        } else if (cls == upperCase(ce::PROGRESS_CLASSW)) {
            progress(*r, x, y, w, hgt);
        } else if (cls == upperCase(ce::WC_TABCONTROLW)) {
            tabs(*r, x, y, w, hgt);
        } else if (cls == upperCase(ce::UPDOWN_CLASSW)) {
            upDown(*r, x, y, w, hgt);
        } else if (cls == upperCase(ce::COMMANDBAR_CLASSW)) {
            commandBar(*r, x, y, w, hgt);
        } else {
            fill(x, y, w, hgt, kFace);
        }
        for (ce::HWND child : r->children)
            window(child);
        unclip();
    }

    bool focused(const WindowRecord& r) const { return ws_.focus() == r.handle; }

    void button(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<ButtonState>();
        bool checked = s && s->check == ce::BST_CHECKED;
        std::string label = toUtf8(r.text);
        switch (r.style & ce::BS_TYPEMASK) {
            case ce::BS_GROUPBOX: {
                double top = std::floor(lineHeight() / 2);
                frame(x, y + top, w - 1, h - top - 1, kShadow, kShadow);
                frame(x + 1, y + top + 1, w - 1, h - top - 1, kHighlight, kHighlight);
                if (!label.empty()) {
                    fill(x + 6, y, textWidth(label) + 4, lineHeight(), kFace);
                    text(label, x + 8, y + top, r.enabled() ? kText : kGreyText);
                }
                return;
            }
            case ce::BS_CHECKBOX:
            case ce::BS_AUTOCHECKBOX:
            case ce::BS_RADIOBUTTON:
            case ce::BS_AUTORADIOBUTTON: {
                bool radio = (r.style & ce::BS_TYPEMASK) >= ce::BS_RADIOBUTTON;
                double box = std::min(std::round(13 * scale_), h);
                double by = std::floor(y + (h - box) / 2);
                if (radio) {
                    radioMark(x, by, box, checked, r.enabled());
                } else {
                    fill(x, by, box, box, r.enabled() ? kWindow : kFace);
                    sunken(x, by, box, box);
                    if (checked)
                        checkMark(x, by, box, r.enabled() ? kText : kGreyText);
                }
                if (!label.empty()) {
                    double tx = x + box + 4 * scale_;
                    if (r.enabled()) {
                        text(label, tx, y + h / 2, kText);
                    } else {
                        disabledText(label, tx, y + h / 2);
                    }
                    if (focused(r))
                        dotted(tx - 1, y + h / 2 - lineHeight() / 2, textWidth(label) + 3,
                               lineHeight());
                } else if (focused(r)) {
                    dotted(x - 1, by - 1, box + 2, box + 2);
                }
                return;
            }
            default: {
                bool down = s && s->pressed;
                fill(x, y, w, h, kFace);
                if (down) {
                    frame(x, y, w, h, kDark, kDark);
                    frame(x + 1, y + 1, w - 2, h - 2, kShadow, kShadow);
                } else {
                    raised(x, y, w, h);
                }
                double tx = x + (w - textWidth(label)) / 2 + (down ? 1 : 0);
                if (r.enabled()) {
                    text(label, tx, y + h / 2 + (down ? 1 : 0), kText);
                } else {
                    disabledText(label, tx, y + h / 2);
                }
                if (focused(r))
                    dotted(x + 3, y + 3, w - 6, h - 6);
            }
        }
    }

    void checkMark(double x, double y, double box, uint32_t rgb) {
        colour(rgb);
        cairo_set_line_width(cr_, std::max(1.5, 2 * scale_));
        cairo_move_to(cr_, x + box * 0.22, y + box * 0.50);
        cairo_line_to(cr_, x + box * 0.42, y + box * 0.72);
        cairo_line_to(cr_, x + box * 0.80, y + box * 0.25);
        cairo_stroke(cr_);
    }

    void radioMark(double x, double y, double box, bool checked, bool enabled) {
        double c = box / 2;
        colour(enabled ? kWindow : kFace);
        cairo_arc(cr_, x + c, y + c, c - 1, 0, 2 * M_PI);
        cairo_fill(cr_);
        colour(kShadow);
        cairo_set_line_width(cr_, 1);
        cairo_arc(cr_, x + c, y + c, c - 1, 0, 2 * M_PI);
        cairo_stroke(cr_);
        if (!checked)
            return;
        colour(enabled ? kText : kGreyText);
        cairo_arc(cr_, x + c, y + c, c * 0.4, 0, 2 * M_PI);
        cairo_fill(cr_);
    }

    // One line of an edit field, scrolled so that the caret shows, with the
    // selection and the caret when the field has the focus.
    void fieldLine(const std::u16string& all, const EditState* s, bool hasFocus, bool enabled,
                   double x, double y, double w, double h) {
        double inset = 3 * scale_;
        std::string before = toUtf8(all.substr(0, s ? std::min(s->selStart, all.size()) : 0));
        std::string full = toUtf8(all);
        double caretX = textWidth(toUtf8(all.substr(0, s ? std::min(s->selEnd, all.size()) : 0)));
        double shift = hasFocus ? std::max(0.0, caretX - (w - 2 * inset - 2)) : 0;
        double tx = x + inset - shift;
        double mid = y + h / 2;
        if (hasFocus && s && s->selStart != s->selEnd) {
            std::string selected = toUtf8(all.substr(s->selStart, s->selEnd - s->selStart));
            double sx = tx + textWidth(before);
            fill(sx, mid - lineHeight() / 2, textWidth(selected), lineHeight(), kSelection);
            text(full, tx, mid, kText);
            clip(sx, mid - lineHeight() / 2, textWidth(selected), lineHeight());
            text(full, tx, mid, kHighlight);
            unclip();
            return;
        }
        text(full, tx, mid, enabled ? kText : kGreyText);
        if (hasFocus)
            line(tx + caretX, mid - lineHeight() / 2 + 1, tx + caretX, mid + lineHeight() / 2 - 2,
                 kText);
    }

    void edit(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<EditState>();
        fill(x, y, w, h, r.enabled() ? kWindow : kFace);
        if (r.style & ce::WS_BORDER)
            frame(x, y, w, h, kDark, kDark);
        bool multi = (r.style & ce::ES_MULTILINE) != 0;
        if (!multi) {
            clip(x + 1, y + 1, w - 2, h - 2);
            fieldLine(r.text, s, focused(r), r.enabled(), x, y, w, h);
            unclip();
            return;
        }
        double bar = (r.style & ce::WS_VSCROLL) ? std::round(13 * scale_) : 0;
        std::vector<std::u16string> lines(1);
        for (size_t i = 0; i < r.text.size(); ++i) {
            char16_t c = r.text[i];
            if (c == u'\r')
                continue;
            if (c == u'\n') {
                lines.emplace_back();
            } else {
                lines.back().push_back(c);
            }
        }
        double lh = lineHeight();
        int fits = std::max(1, int((h - 4) / lh));
        // Scrolled to the end, where the caret is after the last message.
        size_t first = lines.size() > size_t(fits) ? lines.size() - size_t(fits) : 0;
        clip(x + 1, y + 1, w - 2 - bar, h - 2);
        for (size_t i = first; i < lines.size(); ++i) {
            double ly = y + 2 + (i - first) * lh + lh / 2;
            text(toUtf8(expandTabs(lines[i])), x + 3 * scale_, ly, r.enabled() ? kText : kGreyText);
        }
        unclip();
        if (bar > 0)
            scrollBar(x + w - bar - 1, y + 1, bar, h - 2, lines.size(), size_t(fits), first);
    }

    void triangle(double cx, double cy, double size, bool up, uint32_t rgb) {
        colour(rgb);
        double d = up ? -1 : 1;
        cairo_move_to(cr_, cx - size, cy - d * size / 2);
        cairo_line_to(cr_, cx + size, cy - d * size / 2);
        cairo_line_to(cr_, cx, cy + d * size / 2);
        cairo_close_path(cr_);
        cairo_fill(cr_);
    }

    void arrowButton(double x, double y, double w, double h, bool up, bool enabled) {
        fill(x, y, w, h, kFace);
        raised(x, y, w, h);
        triangle(x + w / 2, y + h / 2, std::max(2.0, std::floor(std::min(w, h) / 4)), up,
                 enabled ? kText : kGreyText);
    }

    void scrollBar(double x, double y, double w, double h, size_t total, size_t shown,
                   size_t first) {
        fill(x, y, w, h, 0xE0E0E0);
        arrowButton(x, y, w, w, true, true);
        arrowButton(x, y + h - w, w, w, false, true);
        double track = h - 2 * w;
        if (total <= shown || track <= 4)
            return;
        double thumb = std::max(8.0, track * double(shown) / double(total));
        double top = y + w + (track - thumb) * double(first) / double(total - shown);
        fill(x, top, w, thumb, kFace);
        raised(x, top, w, thumb);
    }

    void combo(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<ComboBoxState>();
        fill(x, y, w, h, r.enabled() ? kWindow : kFace);
        frame(x, y, w, h, kDark, kDark);
        double button = h - 2;
        clip(x + 1, y + 1, w - button - 2, h - 2);
        fieldLine(r.text, s, focused(r), r.enabled(), x, y, w - button, h);
        unclip();
        arrowButton(x + w - button - 1, y + 1, button, button, false, r.enabled());
    }

    void progress(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<ProgressState>();
        fill(x, y, w, h, kFace);
        if (r.exStyle & ce::WS_EX_CLIENTEDGE)
            sunken(x, y, w, h);
        if (!s || s->high <= s->low)
            return;
        double inner = w - 6;
        double part = inner * double(std::clamp(s->position, s->low, s->high) - s->low) /
                      double(s->high - s->low);
        fill(x + 3, y + 3, part, h - 6, kSelection);
    }

    void tabs(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<TabControlState>();
        fill(x, y, w, h, kFace);
        ce::RECT area = tabDisplayArea(r, {0, 0, r.width(), r.height()});
        raised(x + area.left - 2, y + area.top - 2, area.right - area.left + 4,
               area.bottom - area.top + 4);
        if (!s)
            return;
        const Picture* images = const_cast<WindowSystem&>(ws_).picture(s->images);
        for (size_t i = 0; i < s->items.size(); ++i) {
            ce::RECT t = tabItemRect(r, int(i));
            bool selected = int(i) == s->selected;
            double tx = x + t.left + (selected ? 0 : 2), ty = y + t.top;
            double tw = t.right - t.left - (selected ? -2 : 2), th = t.bottom - t.top;
            fill(tx, ty, tw, th, kFace);
            line(tx, ty, tx + tw - 1, ty, kHighlight);
            line(tx, ty, tx, ty + th - 1, kHighlight);
            line(tx, ty + th - 1, tx + tw - 1, ty + th - 1, kDark);
            line(tx + 1, ty + th - 2, tx + tw - 1, ty + th - 2, kShadow);
            const TabControlState::Item& item = s->items[i];
            if (images && item.image >= 0) {
                picture(*images, item.image, tx + (tw - images->width) / 2,
                        ty + (th - images->height) / 2);
            } else {
                text(toUtf8(item.text), tx + 3, ty + th / 2, kText);
            }
            if (selected && focused(r))
                dotted(tx + 2, ty + 2, tw - 5, th - 4);
        }
    }

    void upDown(const WindowRecord& r, double x, double y, double w, double h) {
        double half = std::floor(h / 2);
        arrowButton(x, y, w, half, true, r.enabled());
        arrowButton(x, y + half, w, h - half, false, r.enabled());
    }

    void commandBar(const WindowRecord& r, double x, double y, double w, double h) {
        const auto* s = r.stateAs<CommandBarState>();
        fill(x, y, w, h, kFace);
        line(x, y + h - 1, x + w - 1, y + h - 1, kShadow);
        // The owner's title on the left, as the handheld's shell shows it.
        if (const WindowRecord* owner = ws_.find(r.parent)) {
            font(CAIRO_FONT_WEIGHT_BOLD);
            text(toUtf8(owner->text), x + 6 * scale_, y + h / 2, kText);
            font(CAIRO_FONT_WEIGHT_NORMAL);
        }
        if (!s || !s->closeBox)
            return;
        ce::RECT b = closeBoxRect(r);
        double bx = x + b.left, by = y + b.top, bw = b.right - b.left, bh = b.bottom - b.top;
        fill(bx, by, bw, bh, kFace);
        raised(bx, by, bw, bh);
        colour(kText);
        cairo_set_line_width(cr_, std::max(1.5, 2 * scale_));
        double m = bw * 0.3;
        cairo_move_to(cr_, bx + m, by + m);
        cairo_line_to(cr_, bx + bw - m, by + bh - m);
        cairo_move_to(cr_, bx + bw - m, by + m);
        cairo_line_to(cr_, bx + m, by + bh - m);
        cairo_stroke(cr_);
    }

    cairo_t* cr_;
    const WindowSystem& ws_;
    double scale_;
    double fontSize_;
    cairo_font_weight_t weight_ = CAIRO_FONT_WEIGHT_NORMAL;
};

}  // namespace

bool renderScreen(const std::filesystem::path& png, std::string& error) {
    WindowSystem& ws = WindowSystem::current();
    const MachineProfile& p = ws.machine().profile();
    if (p.screenWidth <= 0 || p.screenHeight <= 0) {
        error = "the machine has no screen size";
        return false;
    }
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_RGB24, p.screenWidth, p.screenHeight);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        error = cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return false;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_set_antialias(cr, CAIRO_ANTIALIAS_DEFAULT);
    Painter(cr, ws).screen(p.screenWidth, p.screenHeight);
    cairo_destroy(cr);
    cairo_status_t status = cairo_surface_write_to_png(surface, png.string().c_str());
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS) {
        error = png.string() + ": " + cairo_status_to_string(status);
        return false;
    }
    return true;
}

}  // namespace host
