// Checked with docs/quillframe.d.ts (never run): correct uses of the script
// API must pass, and each line after a @ts-expect-error comment is a mistake
// that the declarations must catch (tsc fails when such a line has no error).
// The mistakes are the ones the engine answers with null, false or an
// exception at run time.
SetVersion(8);

// --- Globals and results ---------------------------------------------------
Result = 3;
ErrorMessage = "failed: " + Result;
// @ts-expect-error Result is a number
Result = "3";
// @ts-expect-error only versions 7 and 8 exist (the engine throws)
SetVersion(9);
/** @type {boolean} */
var more = SetProgress(1, 10);
var clipped = ValueClip(300, 0, 255) + ByteClip(-4);
Print("a", 1, true, null, more, clipped);
MessageBox();
SetStatus("working");

var first = UserParam[0];
// @ts-expect-error an index beyond 255 reads null
first.length;
if (first !== null) Print(first.length);
UserParam[1] = "changed";

// --- Pictures --------------------------------------------------------------
// @ts-expect-error the classes are not globals (ReferenceError in the engine)
var pictureClass = Picture;

var layer = SourcePicture.GetLayer(0);
// @ts-expect-error GetLayer gives null for an index the host does not have
layer.Name = "x";
if (layer !== null) {
    layer.Name = "Top";
    layer.X = -5;
    layer.Hidden = true;
    layer.Type = "folder";
    // @ts-expect-error ChildCount is read-only
    layer.ChildCount = 2;
}

// @ts-expect-error LayerCount is null for a picture that is not a "LAYER" picture
var next = SourcePicture.LayerCount + 1;
var count = SourcePicture.LayerCount;
for (var i = 0; count !== null && i < count; i++) {
    var child = SourcePicture.GetLayer(i);
    if (child !== null && child.Equals(SourcePicture.GetLayer(0) || child)) Print(child.Name);
}

SourcePicture.Type = "layer";
SourcePicture.CanvasWidth = 512;
var copy = SourcePicture.Duplicate();
if (copy !== null) ResultPicture = copy;
// @ts-expect-error Duplicate gives null when the host cannot copy
ResultPicture = SourcePicture.Duplicate();

var frame = SourcePicture.InsertAniFrame(0);
// @ts-expect-error InsertAniFrame is false on a picture without a host object
frame.Type = 1;
if (frame) {
    frame.Type = 1;
    frame.TimeFpsNumerator = 25;
    frame.TimeFpsDenominator = 1;
    var time = frame.Time;
    // @ts-expect-error Time is read-only
    frame.Time = 40;
}

var filtered = SourcePicture.ApplyFilter("Threshold", { Level: 100 });
// @ts-expect-error the filter's settings are an object, not JSON text
SourcePicture.ApplyFilter("Threshold", '{"Level":100}');
var info = JSON.parse(SourcePicture.Jsonize() || "{}");

// --- Bitmaps and colours ---------------------------------------------------
var bmp = SourcePicture.Bitmap;
// @ts-expect-error Bitmap is null for a picture without one
bmp.Width;
if (bmp !== null) {
    // @ts-expect-error Width is read-only
    bmp.Width = 3;
    var grey = (bmp.GetPixelR(0, 0) + bmp.GetPixelG(0, 0) + bmp.GetPixelB(0, 0)) / 3;
    bmp.SetPixel(0, 0, grey, grey, grey);
    bmp.SetPixel(0, 0, 255, 0, 0, 128);
    bmp.SetPixel(0, 0, 7);
    // @ts-expect-error SetPixel takes 3, 5 or 6 arguments (the engine gives false)
    bmp.SetPixel(0, 0, 255, 0);
    // @ts-expect-error GetPixelI is null on a direct-colour bitmap
    var index = bmp.GetPixelI(0, 0) + 1;
    var pixel = bmp.GetPixel(1, 1);
    pixel.R = 200;
    var entry = bmp.GetPaletteEntry(3);
    // @ts-expect-error a palette entry has no index (I reads null)
    var entryIndex = entry.I + 1;
    bmp.Overlay(SourcePicture, 2, 2);
    if (layer !== null) {
        // @ts-expect-error Overlay takes a Bitmap or a Picture (the engine gives false)
        bmp.Overlay(layer, 2, 2);
    }
    var thumb = bmp.Resize(64, 64, "box");
    var region = bmp.Clip(0, 0, 2, 2);
    if (thumb !== null && region !== null) Print(thumb.Equals(region));
    SavePicture(bmp, "/tmp/bitmap.png");

    var whole = bmp.GetImageData();
    // @ts-expect-error GetImageData gives null for a rectangle outside the bitmap
    whole.data[0] = 255;
    var part = bmp.GetImageData(2, 2, 8, 8);
    if (part !== null) {
        part.data[0] = 255;
        bmp.PutImageData(part, 2, 2);
        // @ts-expect-error an x without a y (the engine gives false)
        bmp.PutImageData(part, 2);
    }
    bmp.PutImageData({ width: 1, height: 1, data: new Uint8Array([1, 2, 3, 4]) });
    // @ts-expect-error data is a Uint8Array or Uint8ClampedArray (the engine gives false)
    bmp.PutImageData({ width: 1, height: 1, data: [1, 2, 3, 4] });
}

var colour = Document.CurrentColor;
if (colour !== null) Print(colour.R, colour.G, colour.B, colour.A, colour.I);
// @ts-expect-error FilePath is null when the host gave no document
Document.FilePath.length;

var made = CreateBitmapLayer(200, 100);
var folder = CreateFolderLayer();
if (made !== null && folder !== null) {
    folder.AddChild(made);
    SourcePicture.AddLayer(folder);
    // @ts-expect-error AddLayer takes a Layer (the engine gives false)
    SourcePicture.AddLayer(SourcePicture);
}
var picture = CreatePicture(10, 10, 24) || CreatePicture();
// @ts-expect-error CreatePicture takes no, one or three to four arguments
CreatePicture(10, 10);
var loaded = LoadPicture("/tmp/in.png", { IndexColor: false });
if (loaded !== null) SavePicture(loaded, "/tmp/out.png", { Alpha: false });

// --- Files, paths, system --------------------------------------------------
var text = LoadTextFile("/tmp/notes.txt", "shift_jis");
// @ts-expect-error LoadTextFile gives null for a file it cannot read
text.length;
var bytes = LoadBinaryFile("/tmp/in.bin");
if (bytes !== null) SaveBinaryFile("/tmp/tail.bin", bytes.subarray(16), true);
// @ts-expect-error SaveBinaryFile takes a Uint8Array (the engine gives false)
SaveBinaryFile("/tmp/x.bin", [1, 2, 3]);
SaveTextFile("/tmp/list.csv", "a;b\n", false, "utf8n");

var out = Path.Combine(Path.GetSpecialPath("SOURCE") || ".", "result.png");
var stem = Path.FileNameOf(out, true) + Path.ExtensionOf(out);
var temp = Path.GenerateTemp("png");
// @ts-expect-error Combine needs two paths
Path.Combine("/a");
var status = System.Execute("echo", "a", 1);
// @ts-expect-error Execute gives null when the program cannot be started
var doubled = System.Execute("true") * 2;
if (System.OSType === "Linux" && System.Exists("/tmp") === true) System.SetOption("Bitmap.GetPixel.Clip", false);
// @ts-expect-error OSType is read-only
System.OSType = "Windows";

// --- No browser, no Node.js ------------------------------------------------
// @ts-expect-error the engine has no timers
setTimeout(function () {}, 10);
// @ts-expect-error the engine has no Node.js
process.exit(1);

// --- Version 7 -------------------------------------------------------------
SetVersion(7);
var input = Image.GetInLayer(Image.ActiveLayer);
// @ts-expect-error GetInLayer gives null for an index out of range
input.Width;
var out7 = Image.CreateOutLayer(0, 10, 10, true, false);
if (out7 !== null) {
    var p = out7.PixelAt(3, 4);
    p.r = 255;
    p.SetRGBA(1, 2, 3, 4);
    var table = out7.PaletteEntryCount;
    // @ts-expect-error PaletteEntryCount is null on a 24-bit layer
    var entries = table + 1;
    var e = out7.GetPaletteEntry(0);
    if (e !== null) e.SetRGBA(255 - e.r, 255 - e.g, 255 - e.b);
    var c = out7.ActiveColor;
    // @ts-expect-error a Color is read-only
    c.r = 3;
    var rgba = out7.GetImageData(0, 0, 4, 4);
    if (rgba !== null) out7.PutImageData(rgba, 1, 1);
    out7.Name = "Result";
    out7.Opacity = 80;
    Print(out7.IsSelected(1, 1), Image.HostName, Image.FileName, Image.LayerCount);
}
Quit(3);
