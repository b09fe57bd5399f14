// The first page: the jobs running, kept up to date by the service's news, and the history,
// a page at a time, sorted and filtered as the address says.
"use strict";

(() => {
  const { nombre, date, duree, element, cell, lire, montrerErreur } = chromaflow;
  const MUETTE_APRES_MS = 30000;

  // ---- The jobs running -------------------------------------------------------------
  let running = { now: Date.now(), jobs: [] };
  let ecart = 0;  // the service's clock minus this one
  const vus = new Set();

  const ligne = (dl, titre, valeur, className) => {
    dl.appendChild(element("dt", titre));
    dl.appendChild(element("dd", valeur, className));
  };

  const carte = (job) => {
    const c = element("article", null, "carte" + (vus.has(job.id) ? "" : " nouvelle"));
    c.dataset.id = job.id;
    c.appendChild(element("div", job.machine, "machine"));
    const titre = c.appendChild(element("h3"));
    const lien = titre.appendChild(element("a", job.projet));
    lien.href = "/chantier?id=" + encodeURIComponent(job.id);
    if (job.texte) c.appendChild(element("div", job.texte, "discret"));
    const barre = c.appendChild(element("progress"));
    barre.max = job.longueur > 0 ? job.longueur : 1;
    barre.value = Math.min(job.peint || 0, barre.max);
    c.appendChild(element("div", nombre(job.peint, 1) + " m peints sur " + nombre(job.longueur, 1) + " m", "discret"));
    const dl = c.appendChild(element("dl"));
    ligne(dl, "Surface", nombre(job.surface) + " m²");
    ligne(dl, "P1", nombre(job.livreP1) + " l posés / " + nombre(job.demandeP1) + " l demandés");
    ligne(dl, "P2", nombre(job.livreP2) + " l posés / " + nombre(job.demandeP2) + " l demandés");
    ligne(dl, "Verdict", job.verdict, job.juge ? (job.dansTolerance ? "bon" : "mauvais") : "");
    ligne(dl, "Alarmes", String(job.alarmes));
    if (job.impulsionsPerdues !== null) ligne(dl, "Impulsions perdues", String(job.impulsionsPerdues), job.impulsionsPerdues > 0 ? "mauvais" : "");
    ligne(dl, "Nouvelles", "", "age");
    return c;
  };

  const ages = () => {
    for (const c of document.querySelectorAll(".carte")) {
      const job = running.jobs.find((j) => String(j.id) === c.dataset.id);
      if (!job) continue;
      const age = Math.max(0, Date.now() + ecart - job.fin);
      const dd = c.querySelector(".age");
      dd.textContent = age > MUETTE_APRES_MS ? "machine muette depuis " + duree(age) : "il y a " + duree(age);
      dd.classList.toggle("muette", age > MUETTE_APRES_MS);
    }
  };

  const montrerEnCours = (news) => {
    running = news;
    ecart = news.now - Date.now();
    const cartes = document.getElementById("cartes");
    cartes.replaceChildren(...news.jobs.map(carte));
    for (const job of news.jobs) vus.add(job.id);
    document.getElementById("en-cours-vide").hidden = news.jobs.length > 0;
    montrerErreur("en-cours-erreur", news.erreur ? news.erreur : null);
    ages();
  };

  // ---- The history --------------------------------------------------------------------
  const etat = new URLSearchParams(location.search);
  const choisis = new Set();

  const adresse = () => {
    const p = new URLSearchParams();
    for (const k of ["page", "tri", "ordre", "q", "machine", "depuis"]) if (etat.get(k)) p.set(k, etat.get(k));
    return p;
  };

  const montrerComparer = () => {
    const lien = document.getElementById("comparer");
    const deux = [...choisis];
    lien.hidden = deux.length !== 2;
    if (deux.length === 2) lien.href = "/comparer?a=" + deux[0] + "&b=" + deux[1];
  };

  const montrerPage = (page) => {
    const corps = document.querySelector("#travaux tbody");
    corps.replaceChildren(...page.jobs.map((job) => {
      const r = element("tr");
      const coche = element("input");
      coche.type = "checkbox";
      coche.checked = choisis.has(job.id);
      coche.setAttribute("aria-label", "Choisir pour comparer");
      coche.addEventListener("change", () => {
        if (coche.checked) choisis.add(job.id); else choisis.delete(job.id);
        montrerComparer();
      });
      r.appendChild(element("td")).appendChild(coche);
      const quand = r.appendChild(element("td"));
      const lien = quand.appendChild(element("a", date(job.debut)));
      lien.href = "/chantier?id=" + encodeURIComponent(job.id);
      cell(r, job.machine);
      cell(r, job.projet);
      cell(r, job.texte, "col-texte");
      cell(r, nombre(job.surface), "n");
      cell(r, nombre(job.p1), "n");
      cell(r, nombre(job.p2), "n col-p2");
      cell(r, String(job.alarmes), "n col-alarmes");
      cell(r, job.etat);
      cell(r, job.verdict, "verdict " + (job.dansTolerance ? "bon" : "mauvais"));
      return r;
    }));
    const pages = Math.max(1, Math.ceil(page.total / page.limit));
    const numero = Math.floor(page.offset / page.limit) + 1;
    document.getElementById("numero").textContent = "Page " + numero + " / " + pages;
    document.getElementById("precedente").disabled = numero <= 1;
    document.getElementById("suivante").disabled = numero >= pages;
    document.getElementById("historique-etat").textContent =
      page.total === 0 ? "Aucun chantier." : page.total + (page.total > 1 ? " chantiers" : " chantier");
    for (const th of document.querySelectorAll("th[data-tri]")) {
      th.classList.toggle("trie-asc", th.dataset.tri === page.tri && page.ordre === "asc");
      th.classList.toggle("trie-desc", th.dataset.tri === page.tri && page.ordre === "desc");
    }
  };

  let lecture = 0;
  const lireHistorique = async () => {
    const numero = ++lecture;
    history.replaceState(null, "", adresse().toString() ? "/?" + adresse() : "/");
    try {
      const page = await lire("/api/jobs?" + adresse());
      if (numero === lecture) montrerPage(page);
    } catch (error) {
      if (numero === lecture) document.getElementById("historique-etat").textContent = error.message;
    }
  };

  const lireMachines = async () => {
    try {
      const choix = document.getElementById("machine");
      const machines = await lire("/api/machines");
      choix.replaceChildren(element("option", "Toutes les machines"), ...machines.map((m) => element("option", m)));
      choix.options[0].value = "";
      for (const o of [...choix.options].slice(1)) o.value = o.textContent;
      choix.value = etat.get("machine") || "";
    } catch (error) { /* the list of machines waits for the next news */ }
  };

  // ---- Wiring -------------------------------------------------------------------------
  document.getElementById("q").value = etat.get("q") || "";
  document.getElementById("depuis").value = etat.get("depuis") || "";
  document.getElementById("filtres").addEventListener("submit", (event) => {
    event.preventDefault();
    for (const k of ["q", "machine", "depuis"]) etat.set(k, document.getElementById(k).value);
    etat.delete("page");
    lireHistorique();
  });
  for (const th of document.querySelectorAll("th[data-tri]")) {
    th.addEventListener("click", () => {
      const meme = (etat.get("tri") || "debut") === th.dataset.tri;
      etat.set("ordre", meme && (etat.get("ordre") || "desc") === "desc" ? "asc" : "desc");
      etat.set("tri", th.dataset.tri);
      etat.delete("page");
      lireHistorique();
    });
  }
  const aller = (pas) => () => {
    etat.set("page", String(Math.max(1, (Number(etat.get("page")) || 1) + pas)));
    lireHistorique();
  };
  document.getElementById("precedente").addEventListener("click", aller(-1));
  document.getElementById("suivante").addEventListener("click", aller(1));

  // The news: pushed by the service, never asked for in a loop.
  const flux = document.getElementById("flux");
  let relire = null;
  const nouvelles = new EventSource("/api/news");
  nouvelles.addEventListener("open", () => { flux.textContent = "en direct"; flux.className = "flux direct"; });
  nouvelles.addEventListener("error", () => { flux.textContent = "reconnexion…"; flux.className = "flux coupe"; });
  nouvelles.addEventListener("running", (event) => montrerEnCours(JSON.parse(event.data)));
  nouvelles.addEventListener("history", () => {
    clearTimeout(relire);
    relire = setTimeout(() => { lireHistorique(); lireMachines(); }, 300);
  });
  setInterval(ages, 1000);

  lireMachines();
  lireHistorique();
})();
