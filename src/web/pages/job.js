// A job's report, as the program's report window shows it.
"use strict";

(() => {
  const { nombre, date, duree, element, cell, lire, montrerErreur } = chromaflow;
  const id = new URLSearchParams(location.search).get("id") || "";

  const ligneSurface = (corps, nom, s, className) => {
    const r = corps.appendChild(element("tr", null, className));
    cell(r, nom);
    cell(r, s.de === null || nom === "Reste dans le tuyau" ? "" : nombre(s.de) + " - " + nombre(s.a));
    for (const k of ["peint", "surface", "demandeP1", "livreP1", "demandeP2", "livreP2"]) cell(r, nombre(s[k]), "n");
    cell(r, nombre(s.proportionDemandee, 1), "n");
    cell(r, nombre(s.proportionPosee, 1), "n");
    cell(r, nombre(s.correction, 1), "n");
  };

  const montrer = (job) => {
    document.title = "ChromaFlow — " + job.projet;
    document.getElementById("projet").textContent = job.projet;
    document.getElementById("quand").textContent = "Peint sur " + job.machine + " le " + date(job.debut) +
      (job.etat !== "terminé" ? " (" + job.etat + ")" : "") + " — " + duree(job.duree);
    document.getElementById("texte").textContent = job.texte;
    const verdict = document.getElementById("verdict");
    verdict.textContent = job.jugement.texte;
    verdict.classList.add(!job.jugement.juge ? "discret" : job.jugement.dansTolerance ? "bon" : "mauvais");
    document.getElementById("hors-tolerance").replaceChildren(...job.jugement.horsTolerance.map((h) =>
      element("li", "de " + nombre(h.de) + " à " + nombre(h.a) + " m : écart jusqu'à " + nombre(h.ecart, 1) + " points")));
    const livre = job.total.livreP1 + job.total.livreP2 + job.resteTuyau.livreP1 + job.resteTuyau.livreP2;
    document.getElementById("etat").textContent = nombre(job.peint) + " m peints sur " + nombre(job.longueur) +
      " m ; " + nombre(job.surface) + " m² ; " + nombre(livre) + " litres livrés par les pompes";
    const corps = document.querySelector("#surfaces tbody");
    job.surfaces.forEach((s, i) => ligneSurface(corps, String(i + 1), s));
    ligneSurface(corps, "Reste dans le tuyau", job.resteTuyau);
    ligneSurface(corps, "Total des surfaces", job.total, "total");
    document.getElementById("graphique").src = "/api/jobs/" + encodeURIComponent(id) + "/graphique.svg";
    document.getElementById("csv").href = "/api/jobs/" + encodeURIComponent(id) + "/releve.csv";
    document.getElementById("pdf").href = "/api/jobs/" + encodeURIComponent(id) + "/fiche.pdf";
    let titre = "Indicateurs de la correction (seuils fins) : " + (job.indicateurs.length || "aucun");
    if (job.indicateursNonGardes > 0) titre += " (et " + job.indicateursNonGardes + " de plus, non gardés)";
    if (job.impulsionsPerdues !== null) titre += " — impulsions perdues par le comptage : " + job.impulsionsPerdues;
    document.getElementById("indicateurs-titre").textContent = titre;
    document.querySelector("#indicateurs tbody").replaceChildren(...job.indicateurs.map((a) => {
      const r = element("tr");
      cell(r, a.alarme);
      cell(r, duree(a.debut), "n");
      cell(r, nombre(a.distance), "n");
      cell(r, duree(a.duree) + (a.enCours ? " (en cours)" : ""), "n");
      cell(r, a.levees + " fois", "n");
      return r;
    }));
    document.getElementById("reglages").textContent = job.reglages;
    document.getElementById("materiel").textContent = job.materiel;
    document.getElementById("chantier").hidden = false;
  };

  lire("/api/jobs/" + encodeURIComponent(id)).then(montrer, (error) => montrerErreur("erreur", error));
})();
