//qfjs:Glow border: puts a soft golden glow along the edges of the picture, in a
//qfjs:layer of its own above the picture (parameter 1: border width in pixels,
//qfjs:default 16; parameter 2: opacity of the glow layer in percent, default 80).
//qfjs(ja_jp):光の縁取り: 画像の縁に沿った柔らかい金色の光を、別のレイヤーとして画像の上に重ねます。
SetVersion(8);

// A whole number parameter, or the default when it is missing or out of range.
/**
 * @param {number} index
 * @param {number} low
 * @param {number} high
 * @param {number} fallback
 */
function NumberParameter(index, low, high, fallback) {
    var value = parseInt(UserParam[index] || "", 10);
    return value >= low && value <= high ? value : fallback;
}

var border = NumberParameter(0, 1, 10000, 16);
var opacity = NumberParameter(1, 0, 100, 80);
var glowColor = [255, 200, 64];

// ResultPicture starts as a copy of the source. A picture without layers
// becomes a layered one whose first layer ("Background") holds the image;
// a layered source keeps its layers and gets the glow on top.
var picture = ResultPicture;
if (picture.IsSingle) picture.Type = "LAYER";

if (!picture.IsLayer) {
    ErrorMessage = "The glow needs a picture that can hold layers.";
    Result = 1;
} else {
    var width = picture.CanvasWidth || 0, height = picture.CanvasHeight || 0;
    // A 32-bit layer starts transparent: only the border gets pixels.
    var glow = CreateBitmapLayer(width, height);
    var bitmap = glow === null ? null : glow.Bitmap;
    if (glow === null || bitmap === null) {
        ErrorMessage = "Cannot make the glow layer.";
        Result = 1;
    } else {
        for (var y = 0; y < height; y++) {
            var inBand = y < border || y >= height - border;
            for (var x = 0; x < width; x++) {
                if (!inBand && x === border) x = Math.max(border, width - border);  // skip the untouched middle
                var distance = Math.min(x, y, width - 1 - x, height - 1 - y);
                if (distance >= border) continue;
                // Strongest at the edge, fading towards the inside.
                var alpha = Math.round(200 * (border - distance) / border);
                bitmap.SetPixel(x, y, glowColor[0], glowColor[1], glowColor[2], alpha);
            }
            SetProgress(y + 1, height);
        }
        glow.Name = "Glow";
        glow.Opacity = opacity;
        picture.AddLayer(glow);
    }
}
