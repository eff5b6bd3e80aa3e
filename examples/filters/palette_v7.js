//qfjs:Palette map (version 7): redraws the picture in a few colours from deep
//qfjs:blue (dark parts) to warm yellow (bright parts), as an index-colour layer
//qfjs:(parameter 1: the number of colours, 2 to 256, default 8).
//qfjs(ja_jp):パレット変換 (バージョン 7): 明るさに応じて濃い青から暖かい黄色までの数色で描き直します。
SetVersion(7);

var requested = parseInt(UserParam[0] || "", 10);
if (!(requested >= 2 && requested <= 256)) requested = 8;
var dark = [20, 24, 82];
var light = [255, 214, 80];

var source = Image.GetInLayer(Image.ActiveLayer);
var target = source === null ? null : Image.CreateOutLayer(0, source.Width, source.Height, false, true);
if (source === null || target === null) {
    ErrorMessage = "Cannot read the picture or make the palette layer.";
    Result = 1;
} else {
    // A new index-colour layer has 256 black entries; keep just as many as
    // the palette needs and fill them with the ramp.
    target.PaletteEntryCount = requested;
    var count = target.PaletteEntryCount;
    for (var i = 0; i < count; i++) {
        var t = i / (count - 1);
        var entry = target.GetPaletteEntry(i);
        if (entry !== null) {
            entry.SetRGBA(Math.round(dark[0] + (light[0] - dark[0]) * t),
                          Math.round(dark[1] + (light[1] - dark[1]) * t),
                          Math.round(dark[2] + (light[2] - dark[2]) * t));
        }
    }
    target.Name = "Palette";

    // Brightness 0..255 (in thousandths) picks one of `count` equal steps.
    var width = source.Width, height = source.Height;
    for (var y = 0; y < height; y++) {
        for (var x = 0; x < width; x++) {
            var p = source.PixelAt(x, y);
            var brightness = 299 * p.r + 587 * p.g + 114 * p.b;
            target.PixelAt(x, y).i = Math.floor(brightness * count / 256000);
        }
        SetProgress(y + 1, height);
    }
}
