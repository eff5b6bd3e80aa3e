//qfjs:Invert: turns every colour of the picture into its complement
//qfjs:(255 - value per red, green and blue channel; alpha is kept).
//qfjs(de_de):Invertieren: ersetzt jede Farbe des Bildes durch ihr Komplement
//qfjs(de_de):(255 - Wert je Rot-, Grün- und Blaukanal; Alpha bleibt).
SetVersion(8);

// ResultPicture starts as a copy of the source picture; the host saves
// whatever ResultPicture holds when the script ends.
var bitmap = ResultPicture.Bitmap;
if (bitmap === null) {
    ErrorMessage = "The picture has no bitmap to invert.";
    Result = 1;
} else if (bitmap.IsIndexColor) {
    // Index colour: inverting the palette inverts every pixel at once and
    // keeps the picture's colours exact.
    for (var i = 0; i < bitmap.PaletteCount; i++) {
        var entry = bitmap.GetPaletteEntry(i);
        bitmap.SetPaletteEntry(i, 255 - entry.R, 255 - entry.G, 255 - entry.B);
    }
} else {
    var width = bitmap.Width, height = bitmap.Height;
    for (var y = 0; y < height; y++) {
        for (var x = 0; x < width; x++) {
            bitmap.SetPixel(x, y, 255 - bitmap.GetPixelR(x, y), 255 - bitmap.GetPixelG(x, y),
                            255 - bitmap.GetPixelB(x, y));
        }
        SetProgress(y + 1, height);
    }
}
