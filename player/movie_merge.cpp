#include "player/movie_merge.h"

#include <unordered_map>

#include "swf/tag_codes.h"

namespace player {

namespace {

using IdMap = std::unordered_map<std::uint16_t, std::uint16_t>;

std::uint16_t mapped(const IdMap& ids, std::uint16_t id) {
    auto it = ids.find(id);
    return it == ids.end() ? 0 : it->second;
}

void remapFill(const IdMap& ids, swf::FillStyle& f) {
    if (f.kind == swf::FillKind::RepeatingBitmap || f.kind == swf::FillKind::ClippedBitmap ||
        f.kind == swf::FillKind::NonSmoothedRepeatingBitmap || f.kind == swf::FillKind::NonSmoothedClippedBitmap)
        f.bitmapId = mapped(ids, f.bitmapId);
}

void remapLine(const IdMap& ids, swf::LineStyle& l) {
    if (l.fill) remapFill(ids, *l.fill);
}

void remapStyles(const IdMap& ids, swf::StyleTables& s) {
    for (swf::FillStyle& f : s.fills) remapFill(ids, f);
    for (swf::LineStyle& l : s.lines) remapLine(ids, l);
}

void remapShape(const IdMap& ids, swf::Shape& shape) {
    remapStyles(ids, shape.styles);
    for (swf::ShapeRecord& r : shape.records)
        if (r.newStyles) remapStyles(ids, *r.newStyles);
}

// The character a defining tag defines, if it is one.
std::uint16_t* definedId(swf::Tag& t) {
    swf::TagBody& b = t.body;
    if (auto* s = std::get_if<swf::DefineShape>(&b)) return &s->id;
    if (auto* m = std::get_if<swf::DefineMorphShape>(&b)) return &m->id;
    if (auto* sp = std::get_if<swf::DefineSprite>(&b)) return &sp->id;
    if (auto* j = std::get_if<swf::DefineBitsJpeg>(&b)) return &j->id;
    if (auto* l = std::get_if<swf::DefineBitsLossless>(&b)) return &l->id;
    if (auto* f = std::get_if<swf::DefineFont>(&b)) return &f->id;
    if (auto* tx = std::get_if<swf::DefineText>(&b)) return &tx->id;
    if (auto* e = std::get_if<swf::DefineEditText>(&b)) return &e->id;
    if (auto* bt = std::get_if<swf::DefineButton>(&b)) return &bt->id;
    if (auto* snd = std::get_if<swf::SoundTag>(&b); snd && t.code == static_cast<std::uint16_t>(swf::TagCode::DefineSound))
        return &snd->id;
    return nullptr;
}

void remapTags(const IdMap& ids, std::vector<swf::Tag>& tags, unsigned depth) {
    for (swf::Tag& t : tags) {
        if (std::uint16_t* id = definedId(t)) *id = mapped(ids, *id);
        swf::TagBody& b = t.body;
        if (auto* s = std::get_if<swf::DefineShape>(&b)) {
            remapShape(ids, s->shape);
        } else if (auto* m = std::get_if<swf::DefineMorphShape>(&b)) {
            for (swf::MorphFillStyle& f : m->fills) remapFill(ids, f.start), remapFill(ids, f.end);
            for (swf::MorphLineStyle& l : m->lines) remapLine(ids, l.start), remapLine(ids, l.end);
        } else if (auto* sp = std::get_if<swf::DefineSprite>(&b)) {
            if (depth < 2) remapTags(ids, sp->tags, depth + 1);  // sprites hold control tags only
        } else if (auto* p = std::get_if<swf::PlaceObject>(&b)) {
            if (p->characterId) p->characterId = mapped(ids, *p->characterId);
        } else if (auto* r = std::get_if<swf::RemoveObject>(&b)) {
            if (r->characterId) r->characterId = mapped(ids, *r->characterId);
        } else if (auto* fi = std::get_if<swf::DefineFontInfo>(&b)) {
            fi->fontId = mapped(ids, fi->fontId);
        } else if (auto* az = std::get_if<swf::DefineFontAlignZones>(&b)) {
            az->fontId = mapped(ids, az->fontId);
        } else if (auto* fn = std::get_if<swf::DefineFontName>(&b)) {
            fn->fontId = mapped(ids, fn->fontId);
        } else if (auto* tx = std::get_if<swf::DefineText>(&b)) {
            for (swf::TextRecord& rec : tx->records)
                if (rec.fontId) rec.fontId = mapped(ids, *rec.fontId);
        } else if (auto* e = std::get_if<swf::DefineEditText>(&b)) {
            if (e->fontId) e->fontId = mapped(ids, *e->fontId);
        } else if (auto* bt = std::get_if<swf::DefineButton>(&b)) {
            for (swf::ButtonRecord& rec : bt->records) rec.characterId = mapped(ids, rec.characterId);
        } else if (auto* bc = std::get_if<swf::DefineButtonCxform>(&b)) {
            bc->buttonId = mapped(ids, bc->buttonId);
        } else if (auto* ia = std::get_if<swf::DoInitAction>(&b)) {
            ia->spriteId = mapped(ids, ia->spriteId);
        } else if (auto* ex = std::get_if<swf::ExportAssets>(&b)) {
            for (swf::AssetRef& a : ex->assets) a.id = mapped(ids, a.id);
        } else if (auto* snd = std::get_if<swf::SoundTag>(&b);
                   snd && t.code != static_cast<std::uint16_t>(swf::TagCode::DefineSound) && snd->id) {
            snd->id = mapped(ids, snd->id);  // StartSound, DefineButtonSound
        }
    }
}

}  // namespace

bool renumberCharacters(swf::Movie& movie, const std::function<std::uint16_t()>& freeId) {
    IdMap ids;
    for (swf::Tag& t : movie.tags) {
        std::uint16_t* id = definedId(t);
        if (!id || ids.count(*id)) continue;  // a second definition stays a duplicate
        const std::uint16_t fresh = freeId();
        if (!fresh) return false;
        ids.emplace(*id, fresh);
    }
    remapTags(ids, movie.tags, 0);
    return true;
}

}  // namespace player
