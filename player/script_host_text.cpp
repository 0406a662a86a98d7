// Text fields as scripts see them: found by name or depth, made by createTextField, and their
// text properties and formats (see avm1/builtins_text.cpp for the script side).
#include <algorithm>
#include <cmath>

#include "player/script_host.h"

namespace player {

namespace {

std::uint32_t rgbOf(const swf::Rgba& c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; }

swf::Rgba rgbaOf(double rgb) {
    auto v = static_cast<std::uint32_t>(static_cast<std::int64_t>(rgb) & 0xFFFFFF);
    return swf::Rgba{static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v), 255};
}

std::int32_t twips(double px) { return static_cast<std::int32_t>(std::clamp(px * 20, -2.0e9, 2.0e9)); }

}  // namespace

avm1::ClipId ScriptHost::registerText(MovieClip& parent, const DisplayObject& obj) {
    m_texts[obj.instanceId] = parent.id();
    return obj.instanceId;
}

DisplayObject* ScriptHost::textEntry(avm1::ClipId id, MovieClip** parentOut) {
    auto it = m_texts.find(id);
    if (it == m_texts.end()) return nullptr;
    if (MovieClip* p = find(it->second)) {
        for (auto& [depth, obj] : p->mutableDisplayList()) {
            if (obj.instanceId != id || obj.clip || (!obj.editText && obj.kind != CharacterKind::Button)) continue;
            if (parentOut) *parentOut = p;
            return &obj;
        }
    }
    m_texts.erase(it);  // the field or its parent is gone
    return nullptr;
}

void ScriptHost::textCreated(MovieClip& parent, DisplayObject& field) {
    (void)parent;
    if (field.placement.name.empty() && !m_scriptPlacing)
        m_autoNames[field.instanceId] = "instance" + std::to_string(m_nextAutoName++);
}

void ScriptHost::textDestroyed(std::uint32_t instanceId) {
    m_vm->clipRemoved(instanceId);  // while its name and parent are still known
    m_autoNames.erase(instanceId);
    m_texts.erase(instanceId);
}

bool ScriptHost::isTextField(avm1::ClipId id) {
    const DisplayObject* e = find(id) ? nullptr : textEntry(id);
    return e && e->editText;
}

avm1::ClipId ScriptHost::createTextField(avm1::ClipId parentId, const std::string& name, int depth, const double box[4]) {
    MovieClip* p = find(parentId);
    if (!p || !m_ctx.fonts || m_ctx.liveInstances >= m_ctx.maxInstances) return 0;
    // A new field: dynamic, selectable, black 12-point device text, no border.
    swf::DefineEditText def;
    def.bounds = swf::Rect{0, twips(std::max(0.0, box[2])), 0, twips(std::max(0.0, box[3]))};
    def.readOnly = true;
    def.fontHeight = 240;
    def.color = swf::Rgba{0, 0, 0, 255};
    DisplayObject obj;
    obj.kind = CharacterKind::EditText;
    obj.placement.name = name;
    obj.placement.matrix.tx = twips(box[0]);
    obj.placement.matrix.ty = twips(box[1]);
    obj.placement.placedFrame = kScriptPlaced;
    obj.instanceId = m_ctx.nextInstanceId++;
    obj.editText = std::make_unique<EditText>(def, *m_ctx.fonts);
    p->removeDepth(depth);
    ++m_ctx.liveInstances;
    DisplayObject& placed = p->mutableDisplayList()[depth] = std::move(obj);
    return registerText(*p, placed);
}

avm1::Value ScriptHost::textProperty(avm1::ClipId id, avm1::TextProp prop) {
    using avm1::TextProp;
    DisplayObject* e = textEntry(id);
    if (!e) return {};
    const EditText& t = *e->editText;
    const swf::DefineEditText& d = t.definition();
    switch (prop) {
    case TextProp::Text: return avm1::Value(t.text());
    case TextProp::HtmlText: return avm1::Value(d.html ? t.htmlText() : t.text());
    case TextProp::Html: return avm1::Value(d.html);
    case TextProp::Border: return avm1::Value(t.decor().border);
    case TextProp::Background: return avm1::Value(t.decor().background);
    case TextProp::BorderColor: return avm1::Value(static_cast<double>(t.decor().borderColor));
    case TextProp::BackgroundColor: return avm1::Value(static_cast<double>(t.decor().backgroundColor));
    case TextProp::TextColor: return avm1::Value(static_cast<double>(rgbOf(t.defaultFormat().color)));
    case TextProp::Multiline: return avm1::Value(d.multiline);
    case TextProp::WordWrap: return avm1::Value(d.wordWrap);
    case TextProp::AutoSize: return avm1::Value(d.autoSize ? "left" : "none");
    case TextProp::Selectable: return avm1::Value(!d.noSelect);
    case TextProp::Password: return avm1::Value(d.password);
    case TextProp::MaxChars: return d.maxLength ? avm1::Value(static_cast<double>(*d.maxLength)) : avm1::Value::null();
    case TextProp::Variable: return d.variableName.empty() ? avm1::Value::null() : avm1::Value(d.variableName);
    case TextProp::Type: return avm1::Value(d.readOnly ? "dynamic" : "input");
    case TextProp::EmbedFonts: return avm1::Value(d.useOutlines);
    case TextProp::Length: return avm1::Value(static_cast<double>(avm1::textLength(t.text(), 7)));
    case TextProp::TextWidth: return avm1::Value(t.layout().textWidth / 20.0);
    case TextProp::TextHeight: return avm1::Value(t.layout().textHeight / 20.0);
    case TextProp::Count: break;
    }
    return {};
}

void ScriptHost::setTextProperty(avm1::ClipId id, avm1::TextProp prop, const avm1::Value& v) {
    using avm1::TextProp;
    DisplayObject* e = textEntry(id);
    if (!e) return;
    EditText& t = *e->editText;
    swf::DefineEditText d = t.definition();
    FieldDecor decor = t.decor();
    const std::string s = v.isString() ? v.str() : std::string();
    switch (prop) {
    case TextProp::Text: t.setText(s); break;
    case TextProp::HtmlText: t.setHtmlText(s); break;
    case TextProp::Border: decor.border = v.boolean(); break;
    case TextProp::Background: decor.background = v.boolean(); break;
    case TextProp::BorderColor: decor.borderColor = rgbOf(rgbaOf(v.num())); break;
    case TextProp::BackgroundColor: decor.backgroundColor = rgbOf(rgbaOf(v.num())); break;
    case TextProp::TextColor: {
        TextFormat f = t.defaultFormat();
        f.color = rgbaOf(v.num());
        t.setFormat(f, t.paragraph(), true);
        break;
    }
    case TextProp::Html: d.html = v.boolean(); break;
    case TextProp::Multiline: d.multiline = v.boolean(); break;
    case TextProp::WordWrap: d.wordWrap = v.boolean(); break;
    case TextProp::AutoSize: d.autoSize = s != "none" && !s.empty(); break;
    case TextProp::Selectable: d.noSelect = !v.boolean(); break;
    case TextProp::Password: d.password = v.boolean(); break;
    case TextProp::MaxChars:
        if (v.num() > 0) d.maxLength = static_cast<std::uint16_t>(std::min(v.num(), 65535.0));
        else d.maxLength.reset();
        break;
    case TextProp::Variable: d.variableName = s; break;
    case TextProp::Type: d.readOnly = s != "input"; break;
    case TextProp::EmbedFonts: d.useOutlines = v.boolean(); break;
    default: return;  // read-only
    }
    if (!(decor.border == t.decor().border && decor.background == t.decor().background &&
          decor.borderColor == t.decor().borderColor && decor.backgroundColor == t.decor().backgroundColor))
        t.setDecor(decor);
    if (!(d == t.definition())) t.setDefinition(d);
    fitToText(t);
}

void ScriptHost::setTextStyle(avm1::ClipId id, const avm1::TextStyle& s, bool asDefault) {
    DisplayObject* e = textEntry(id);
    if (!e) return;
    EditText& t = *e->editText;
    TextFormat f = t.defaultFormat();
    ParagraphLayout para = t.paragraph();
    if (!s.font.empty()) f.face = s.font;
    if (s.size >= 0) f.size = static_cast<float>(std::min(s.size, 1000.0) * 20);
    if (s.color >= 0) f.color = rgbaOf(s.color);
    if (s.bold >= 0) f.bold = s.bold == 1;
    if (s.italic >= 0) f.italic = s.italic == 1;
    if (s.underline >= 0) f.underline = s.underline == 1;
    if (s.align >= 0) f.align = static_cast<TextAlign>(s.align);
    if (s.hasLeading) para.leading = static_cast<float>(s.leading * 20);
    if (s.hasMargins) {
        para.leftMargin = static_cast<float>(s.leftMargin * 20);
        para.rightMargin = static_cast<float>(s.rightMargin * 20);
        para.indent = static_cast<float>(s.indent * 20);
    }
    t.setFormat(f, para, !asDefault);
    fitToText(t);
}

avm1::TextStyle ScriptHost::textStyle(avm1::ClipId id) {
    avm1::TextStyle s;
    DisplayObject* e = textEntry(id);
    if (!e) return s;
    const TextFormat& f = e->editText->defaultFormat();
    const ParagraphLayout& p = e->editText->paragraph();
    s.font = f.face.empty() ? "Times New Roman" : f.face;
    s.size = f.size / 20.0;
    s.color = rgbOf(f.color);
    s.bold = f.bold;
    s.italic = f.italic;
    s.underline = f.underline;
    s.align = static_cast<int>(f.align);
    // Read back in whole pixels, halves to even (32767 twips of indent read 1638, 10 read 0).
    auto pixels = [](double twips) { return std::nearbyint(twips / 20.0); };
    s.leading = pixels(p.leading);
    s.leftMargin = pixels(p.leftMargin);
    s.rightMargin = pixels(p.rightMargin);
    s.indent = pixels(p.indent);
    return s;
}

void ScriptHost::updateBoundFields() {
    // Collected first: reading a variable can run a getter, which can change display lists.
    std::vector<std::pair<avm1::ClipId, avm1::ClipId>> bound;  // holder, field
    for (const auto& [id, clip] : m_clips)
        for (const auto& [depth, obj] : clip->displayList())
            if (obj.editText && !obj.editText->variableName().empty()) bound.emplace_back(id, obj.instanceId);
    for (const auto& [holderId, fieldId] : bound) {
        m_texts[fieldId] = holderId;
        DisplayObject* e = textEntry(fieldId);
        if (!e) continue;
        // "a.b:v", "/a/b:v" and "a.b.v" name variable v of clip a.b.
        const std::string path = e->editText->variableName();
        std::size_t cut = path.find_last_of(":.");
        avm1::ClipId target = holderId;
        if (cut != std::string::npos) target = m_vm->resolveTarget(holderId, std::string_view(path).substr(0, cut));
        if (!target) continue;
        const std::string var = cut == std::string::npos ? path : path.substr(cut + 1);
        // Plain properties only: no getter or conversion runs a script from here.
        avm1::ObjectRef holder = m_vm->clipObject(target);
        const avm1::Property* p = nullptr;
        int guard = 0;  // prototype chains can loop
        for (avm1::Object* o = holder.get(); o && !p && guard < 256; o = o->proto.get(), ++guard)
            p = o->findOwn(var, m_vm->nameCase());
        if (!p) {
            holder->define(var, avm1::Value(e->editText->text()));
            continue;
        }
        if (p->getter || p->setter || p->value.isObject()) continue;
        const std::string shown = p->value.isUndefined() ? std::string() : avm1::primitiveToString(p->value, m_vm->version());
        EditText& t = *e->editText;
        if (t.isHtml() ? shown != t.htmlText() : shown != t.text()) {
            if (t.isHtml()) t.setHtmlText(shown);
            else t.setText(shown);
            fitToText(t);
        }
    }
}

// An auto-sized field grows or shrinks to its text from its top left corner (only in height
// when it wraps words).
void ScriptHost::fitToText(EditText& t) {
    swf::DefineEditText d = t.definition();
    if (!d.autoSize) return;
    const TextLayout& l = t.layout();
    const auto gutter = static_cast<std::int32_t>(2 * kTextGutter);
    if (!d.wordWrap) d.bounds.xMax = d.bounds.xMin + static_cast<std::int32_t>(std::ceil(l.textWidth)) + gutter;
    d.bounds.yMax = d.bounds.yMin + static_cast<std::int32_t>(std::ceil(l.textHeight)) + gutter;
    if (!(d == t.definition())) t.setDefinition(d);
}

// The box of a field in its parent, scaled by its matrix (pixels).
double ScriptHost::textSize(const DisplayObject& e, bool width) {
    const swf::Rect& b = e.editText->definition().bounds;
    const swf::Matrix& m = e.placement.matrix;
    double w = (b.xMax - b.xMin) / 20.0, h = (b.yMax - b.yMin) / 20.0;
    return width ? std::abs(m.a) * w + std::abs(m.c) * h : std::abs(m.b) * w + std::abs(m.d) * h;
}

void ScriptHost::setTextSize(DisplayObject& e, bool width, double px) {
    swf::DefineEditText d = e.editText->definition();
    if (width) d.bounds.xMax = d.bounds.xMin + twips(std::max(0.0, px));
    else d.bounds.yMax = d.bounds.yMin + twips(std::max(0.0, px));
    e.editText->setDefinition(d);
}

}  // namespace player
