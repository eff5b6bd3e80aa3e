//qfjs:Greets someone and counts to three.
//qfjs:Parameter 1: who to greet (default: world).
//qfjs(de_de):Grüßt jemanden und zählt bis drei.
//qfjs(de_de):Parameter 1: wen es grüßt (sonst: world).
SetVersion(8);

var who = UserParam[0] !== "" ? UserParam[0] : "world";
Print("Hello, " + who + "!");

for (var i = 1; i <= 3; i++) {
    SetStatus("counting " + i + " of 3");
    SetProgress(i, 3);
    Print(i);
}

if (UserParam[1] !== "") {
    MessageBox("A second parameter: ", UserParam[1]);
}
