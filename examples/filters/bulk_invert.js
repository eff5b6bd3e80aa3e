//qfjs:Invert (fast): turns every colour of the picture into its complement
//qfjs:through GetImageData and PutImageData, this engine's bulk pixel access
//qfjs:(255 - value per red, green and blue channel; alpha is kept).
//qfjs(de_de):Invertieren (schnell): ersetzt jede Farbe des Bildes durch ihr Komplement
//qfjs(de_de):über GetImageData und PutImageData, den Block-Pixelzugriff dieser Engine
//qfjs(de_de):(255 - Wert je Rot-, Grün- und Blaukanal; Alpha bleibt).
SetVersion(8);

// ResultPicture starts as a copy of the source picture; the host saves
// whatever ResultPicture holds when the script ends.
var bitmap = ResultPicture.Bitmap;
if (bitmap === null) {
    ErrorMessage = "The picture has no bitmap to invert.";
    Result = 1;
} else if (bitmap.IsIndexColor) {
    // Index colour: the pixels are palette indices, which PutImageData does
    // not write; inverting the palette inverts every pixel at once.
    for (var i = 0; i < bitmap.PaletteCount; i++) {
        var entry = bitmap.GetPaletteEntry(i);
        bitmap.SetPaletteEntry(i, 255 - entry.R, 255 - entry.G, 255 - entry.B);
    }
} else {
    // One call reads the whole picture as RGBA bytes, rows top to bottom
    // (null only for a bitmap without pixels); the loop runs in plain
    // JavaScript over a typed array, and one call writes the result back.
    var image = bitmap.GetImageData();
    if (image !== null) {
        var data = image.data;
        for (var p = 0; p < data.length; p += 4) {
            data[p] = 255 - data[p];
            data[p + 1] = 255 - data[p + 1];
            data[p + 2] = 255 - data[p + 2];
            // data[p + 3] is the alpha: kept as it is.
        }
        bitmap.PutImageData(image);
    }
}
