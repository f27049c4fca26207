// STUB: replaced by the asset loader.
#include "game/media/assets.h"
SDL_Surface *courtStrip, *ballImage, *paddleImage1, *paddleImage2, *playerLabels, *logo, *background,
    *hitSparkStrip, *sheet, *menuBackdrop, *fadeStrip, *menuPage;
Mix_Chunk *hitSound, *ufoSound, *crackSound;
Mix_Music* music;
bool loadAssets() { return false; }
void replaceImage(SDL_Surface*&, const char*) {}
void playEffect(Mix_Chunk*) {}
