//qfjs:Grayscale (version 7): turns every layer grey, 0.299 red + 0.587 green +
//qfjs:0.114 blue (rounded), keeping alpha; with a selection, only the selected
//qfjs:pixels turn grey and the others keep their colour.
//qfjs(ja_jp):グレースケール (バージョン 7): 各レイヤーを灰色にします。選択範囲があればその中だけを変えます。
SetVersion(7);

// Each input layer i becomes result layer i: a new 24-bit layer of the same
// size (with an alpha plane when the input has one) at the same place. Reading
// through PixelAt also works for index-colour inputs, whose pixels read the
// colour of their palette entry.
for (var i = 0; i < Image.LayerCount; i++) {
    var source = Image.GetInLayer(i);
    if (source === null) {
        ErrorMessage = "Cannot read layer " + i + ".";
        Result = 1;
        break;
    }
    var width = source.Width, height = source.Height;
    var target = Image.CreateOutLayer(i, width, height, source.Alpha);
    if (target === null) {
        ErrorMessage = "No room for a " + width + " x " + height + " layer.";
        Result = 1;
        break;
    }
    target.Name = source.Name;
    target.X = source.X;
    target.Y = source.Y;
    target.Hidden = source.Hidden;
    target.Opacity = source.Opacity;

    for (var y = 0; y < height; y++) {
        for (var x = 0; x < width; x++) {
            var p = source.PixelAt(x, y);
            var r = p.r, g = p.g, b = p.b;
            if (source.IsSelected(x, y)) {
                r = g = b = Math.round(0.299 * r + 0.587 * g + 0.114 * b);
            }
            target.PixelAt(x, y).SetRGBA(r, g, b, p.a);
        }
        SetProgress(i * height + y + 1, Image.LayerCount * height);
    }
}
