// Scene composition: backdrop, scene picture and the page's figures placed
// on two ellipses around the canvas centre.
#pragma once
#include <cstdint>
#include <string>

#include "story_state.h"

// Tiles the backdrop over PAGE's LAYER_BACKGROUND, scales its scene picture
// into LAYER_FRAME (which may be replaced by a narrower buffer; DISPOUT
// keeps owning it) and replaces PAGE.SCENE by a new canvas twice the size
// of page 0's LAYER_FRAME holding the figures; PAGE owns the canvas.
// Reads PAGE.SPRITE, PAGE.ENTITY and the picture files.
void SCENE_RENDER(STORY_PAGE_TYPE& PAGE);
// Draws the sprite of every entry ENTITY(1) to ENTITY(upper bound) onto
// DEST (drawn into, never replaced; the caller keeps it). ENTITY is read only.
void ENTITY_RENDER(Array<std::string>& ENTITY, IMAGE*& DEST);
// Splits SUBJECT ("class = count:id"): ID always written; CLASSIFICATION
// (lower case) and COUNT only when their separator is there. SUBJECT is
// consumed (it holds the id on return).
void ENTITY_PARTS(std::string& SUBJECT, std::string& CLASSIFICATION, std::string& ID, int32_t& COUNT);
// A new buffer holding the entry's sprite (the caller owns it), or null
// when its file is missing or undecodable. Reads the picture file.
IMAGE* ENTITY_SPRITE(const std::string& SUBJECT);
// How high every figure is drawn, whatever its picture's size.
constexpr int FIGURE_HEIGHT = 32;
// When SOURCE is not null, DEST (destroyed if it held a buffer) becomes a
// new FIGURE_HEIGHT-high copy of SOURCE, owned by the caller. SOURCE stays the caller's.
void ENTITY_SCALE(IMAGE* SOURCE, IMAGE*& DEST);

// The asset paths the scene reads.
std::string BACKDROP_PATH();
std::string SCENE_PICTURE_PATH(const std::string& SPRITE);
std::string ENTITY_SPRITE_PATH(const std::string& SUBJECT);
// The file of a picture's description: the same path with ".txt" for ".png".
std::string PICTURE_DESCRIPTION_PATH(const std::string& picture);
// Appends the pictures SCENE_RENDER reads for PAGE: its scene picture, then
// each figure's, whether or not they are there.
void PAGE_PICTURES(const STORY_PAGE_TYPE& PAGE, std::vector<STORY_FILE_TYPE>& files);
// Entry `index` of `count` with classification CLASSIFICATION is centred at
// (CX - x, CY - y) of a canvas whose centre is (CX, CY).
void ENTITY_OFFSET(int32_t index, int32_t count, const std::string& CLASSIFICATION, double& x, double& y);
