// Two jobs side by side: their verdicts and their proportions along the path.
"use strict";

(() => {
  const { date, lire, montrerErreur } = chromaflow;
  const choix = new URLSearchParams(location.search);

  for (const cote of ["a", "b"]) {
    const id = choix.get(cote) || "";
    const section = document.getElementById(cote);
    lire("/api/jobs/" + encodeURIComponent(id)).then((job) => {
      section.querySelector(".projet").textContent = job.projet;
      section.querySelector(".quand").textContent = job.machine + ", " + date(job.debut);
      const verdict = section.querySelector(".verdict");
      verdict.textContent = job.jugement.texte;
      verdict.classList.add(job.jugement.juge ? (job.jugement.dansTolerance ? "bon" : "mauvais") : "discret");
      section.querySelector(".graphique").src = "/api/jobs/" + encodeURIComponent(id) + "/graphique.svg";
    }, (error) => montrerErreur("erreur", error));
  }
})();
